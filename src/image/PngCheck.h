#pragma once

#include <QString>

class QIODevice;

// Why the PNG stream at the device's current position would make the PNG decoder give up,
// in a few words ("the PNG image data is damaged"); empty when it would not. It checks
// what the decoder treats as fatal: the signature, an IHDR first, every chunk whole up to
// IEND with a sound CRC on the critical ones, and image data that inflates to its end.
// The decoder reports those failures on the terminal by itself, so a stream is checked
// before it is given one. Reads in blocks (no size field is trusted for an allocation) and
// leaves the device wherever it stopped.
QString PngDamage(QIODevice& device);
