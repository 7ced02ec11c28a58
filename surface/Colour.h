#pragma once

// The program's colour values: red + 256 * green + 65536 * blue, each channel 0..255.
// -1 stands for "no pixel" (a read outside a drawing area).

#include <QRgb>
#include <cstdint>

namespace colour {

using Value = std::int32_t;

inline constexpr Value none = -1; // what a read outside the client area returns
inline constexpr Value black = 0;

constexpr Value rgb(int red, int green, int blue) {
    return red + 256 * green + 65536 * blue;
}
constexpr int red(Value v) {
    return v & 0xff;
}
constexpr int green(Value v) {
    return (v >> 8) & 0xff;
}
constexpr int blue(Value v) {
    return (v >> 16) & 0xff;
}

constexpr QRgb toQRgb(Value v) {
    return qRgb(red(v), green(v), blue(v));
}
constexpr Value fromQRgb(QRgb c) {
    return rgb(qRed(c), qGreen(c), qBlue(c));
}

} // namespace colour
