#pragma once

#include <QImage>
#include <QString>
#include <cstdint>

inline constexpr std::uint32_t LimeColor = 0x0000FF00;

// A rectangle with exclusive right and bottom edges.
struct TCropRect {
    std::int32_t Left = 0, Top = 0, Right = 0, Bottom = 0;

    friend bool operator==(const TCropRect&, const TCropRect&) = default;
};

// The state of the crop dialog, without any widget: the padded picture (the source with a
// border S-2 pixels wide in the frame colour on every side), the icon-sized square the
// user places on it and the four edit texts. The dialog is a view of one of these; the
// fitting reads its padded picture and crop rectangle.
//
// L, T, R, B (CropLeft..CropBottom) are in picture coordinates with R = L + S - 1 and
// B = T + S - 1; CropRect is the same square in padded-picture coordinates, covering
// (S-1) x (S-1) padded pixels. Every change keeps the square on at least one column and
// one row of the picture.
class TCropState {
public:
    TCropState() = default;

    // Takes a new picture (an implicitly shared copy) and the icon size S (at least 3),
    // puts the square at the top-left corner (L = T = 0) and drops the padded picture
    // built for the previous one. The frame colour stays.
    void SetPicture(const QImage& picture, std::int32_t iconSize);

    // Writes L, T, R, B into the edit texts and recomputes CropRect.
    void UpdateCrop();

    // Mouse on the padded picture (X, Y in its pixels). A left press starts dragging and
    // moves the square; a right press starts panning. MouseMove returns true when the
    // square moved. While panning (and not dragging), the returned pan gives how far the
    // scroll positions must decrease.
    void LeftButtonDown(std::int32_t x, std::int32_t y);
    void RightButtonDown(std::int32_t x, std::int32_t y);
    bool MouseMove(std::int32_t x, std::int32_t y, std::int32_t* panX = nullptr,
                   std::int32_t* panY = nullptr);
    void LeftButtonUp() { Dragging = false; }
    void RightButtonUp() { Panning = false; }

    // An edit box losing the focus with `text`: unreadable text falls back (0 for Left and
    // Top, S-1 for Right and Bottom), the value is clamped into its range, the opposite
    // edge follows, and UpdateCrop rewrites all four texts.
    void LeftEdited(const QString& text);
    void TopEdited(const QString& text);
    void RightEdited(const QString& text);
    void BottomEdited(const QString& text);

    // A new frame colour: refills the four border strips of the padded picture.
    void SetFrameColor(std::uint32_t color);

    // The padded picture at 24 bits per pixel (Format_BGR888), built on first use; a null
    // picture when there is no memory for it. The fitting never needs it built.
    const QImage& EmbedImage() const;
    // Colour of padded pixel (x, y) without building the padded picture; x and y must lie
    // inside it.
    std::uint32_t PaddedColor(std::int32_t x, std::int32_t y) const;
    std::int32_t PaddedWidth() const { return PicWidth + 2 * (IconSize - 2); }
    std::int32_t PaddedHeight() const { return PicHeight + 2 * (IconSize - 2); }

    // What the square holds: CropRect of the padded picture stretched from (S-1) x (S-1)
    // to S x S by the nearest-neighbour rule (Format_BGR888). This is the thumbnail, the
    // crop preview and the cropped working bitmap. A picture without pixels copies
    // nothing: the result then holds the padded picture's top-left S x S pixels.
    QImage CropImage() const;
    // The padded pixel that CropImage takes for its pixel (i, j).
    std::int32_t CropSampleX(std::int32_t i) const;
    std::int32_t CropSampleY(std::int32_t j) const;

    const QImage& Picture() const { return picture_; }
    const QString& CropLeftText() const { return leftText_; }
    const QString& CropTopText() const { return topText_; }
    const QString& CropRightText() const { return rightText_; }
    const QString& CropBottomText() const { return bottomText_; }

    bool Dragging = false;
    bool Panning = false;
    std::int32_t LastX = 0;
    std::int32_t LastY = 0;
    std::int32_t PicWidth = 0;
    std::int32_t PicHeight = 0;
    std::int32_t IconSize = 32;
    std::int32_t CropLeft = 0;
    std::int32_t CropTop = 0;
    std::int32_t CropRight = 31;
    std::int32_t CropBottom = 31;
    TCropRect ThumbRect{0, 0, 32, 32};
    std::uint32_t FrameColor = LimeColor;
    TCropRect CropRect{30, 30, 61, 61};

private:
    void buildEmbedImage() const;

    QImage picture_;
    mutable QImage embed_;
    QString leftText_ = QStringLiteral("0");
    QString topText_ = QStringLiteral("0");
    QString rightText_ = QStringLiteral("31");
    QString bottomText_ = QStringLiteral("31");
};
