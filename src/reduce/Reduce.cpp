#include "reduce/Reduce.h"

QImage MakeIndexedBitmap(QImage& source, int method, int dither, int bits,
                         const TPalette* customPalette) {
    (void)source;
    (void)method;
    (void)dither;
    (void)bits;
    (void)customPalette;
    return {};
}
