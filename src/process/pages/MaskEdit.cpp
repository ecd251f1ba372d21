#include "process/pages/MaskEdit.h"

std::int32_t ViewToIcon(std::int32_t viewPos, std::int32_t iconSize, std::int32_t viewWidth) {
    if (viewWidth <= 0) return -1;
    // Integer division truncates toward zero, as the masking page needs.
    return static_cast<std::int32_t>(static_cast<std::int64_t>(viewPos) * iconSize / viewWidth);
}

bool MaskByColor(TJobState& job, std::int32_t x, std::int32_t y) {
    const std::int32_t size = job.IconSize;
    // A pixel outside the icon has no colour; reading it would pick index 0 instead.
    if (x < 0 || y < 0 || x >= size || y >= size) return false;
    const std::uint8_t clicked = job.IconMap.GetPixel(x, y);
    for (std::int32_t px = 0; px < size; ++px)
        for (std::int32_t py = 0; py < size; ++py)
            if (job.IconMap.GetPixel(px, py) == clicked) job.MaskMap.SetPixel(px, py, 1);
    return true;
}

void SetMaskPixel(TJobState& job, std::int32_t x, std::int32_t y, bool transparent) {
    // The map refuses pixels outside the picture by itself.
    job.MaskMap.SetPixel(x, y, transparent ? 1 : 0);
}

bool ToggleMaskPixel(TJobState& job, std::int32_t x, std::int32_t y) {
    const std::int32_t size = job.IconSize;
    if (x < 0 || y < 0 || x >= size || y >= size) return false;
    SetMaskPixel(job, x, y, job.MaskMap.GetPixel(x, y) == 0);
    return true;
}

TMaskRedraw MaskMouseDown(TJobState& job, TMaskTool tool, TMouseButton button, std::int32_t x,
                          std::int32_t y) {
    const std::int32_t iconX = ViewToIcon(x, job.IconSize, job.MaskViewWidth);
    const std::int32_t iconY = ViewToIcon(y, job.IconSize, job.MaskViewWidth);
    switch (tool) {
    case TMaskTool::ByColor:
        MaskByColor(job, iconX, iconY);
        return TMaskRedraw{TMaskRedraw::Whole};
    case TMaskTool::ByPixel:
        if (button == TMouseButton::Right) {
            SetMaskPixel(job, iconX, iconY, false);
            job.RightDrawing = true;
        } else if (button == TMouseButton::Left) {
            SetMaskPixel(job, iconX, iconY, true);
            job.LeftDrawing = true;
        }
        return TMaskRedraw{TMaskRedraw::Cell, iconX, iconY};
    case TMaskTool::None:
        break;
    }
    return TMaskRedraw{};
}

TMaskRedraw MaskMouseMove(TJobState& job, TMaskTool tool, std::int32_t x, std::int32_t y) {
    if (tool != TMaskTool::ByPixel) return TMaskRedraw{};
    const std::int32_t iconX = ViewToIcon(x, job.IconSize, job.MaskViewWidth);
    const std::int32_t iconY = ViewToIcon(y, job.IconSize, job.MaskViewWidth);
    if (job.RightDrawing)
        SetMaskPixel(job, iconX, iconY, false);
    else if (job.LeftDrawing)
        SetMaskPixel(job, iconX, iconY, true);
    else
        return TMaskRedraw{};
    return TMaskRedraw{TMaskRedraw::Cell, iconX, iconY};
}

void MaskMouseUp(TJobState& job, TMouseButton button) {
    if (button == TMouseButton::Right) job.RightDrawing = false;
    if (button == TMouseButton::Left) job.LeftDrawing = false;
}
