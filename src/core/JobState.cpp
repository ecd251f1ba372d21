#include "core/JobState.h"

#include <array>

QString SourceKindText(TSourceKind kind) {
    static const std::array<QString, 8> texts{QString(),
                                              QStringLiteral("NONE"),
                                              QStringLiteral("CLIP"),
                                              QStringLiteral("BMP"),
                                              QStringLiteral("ICO"),
                                              QStringLiteral("JPG"),
                                              QStringLiteral("GIF"),
                                              QStringLiteral("PNG")};
    return texts[static_cast<std::size_t>(kind)];
}

QString OutFormatText(TOutFormat format) {
    static const std::array<QString, 3> texts{QStringLiteral("ICO"), QStringLiteral("MICO"),
                                              QStringLiteral("BMP")};
    return texts[static_cast<std::size_t>(format)];
}
