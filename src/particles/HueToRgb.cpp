#include "particles/HueToRgb.h"

DWORD HueToRgb(int nHue, int nSaturation, int nValue) {
    const int s = nSaturation & 0xFF;
    const int v = nValue & 0xFF;
    // A negative hue would give a negative sector and no colour at all.
    const int h = (nHue % 360 + 360) % 360;
    const int sector = h / 60;
    const int f = (h % 60) * 255 / 60;
    const int p = v * (255 - s) / 255;
    const int q = v * (255 - f * s / 255) / 255;
    const int t = v * (255 - s * (255 - f) / 255) / 255;
    int r = v;
    int g = t;
    int b = p;
    switch (sector) {
        case 1:
            r = q;
            g = v;
            b = p;
            break;
        case 2:
            r = p;
            g = v;
            b = t;
            break;
        case 3:
            r = p;
            g = q;
            b = v;
            break;
        case 4:
            r = t;
            g = p;
            b = v;
            break;
        case 5:
            r = v;
            g = p;
            b = q;
            break;
        default:
            break;
    }
    return (DWORD(r) << 16) | (DWORD(g) << 8) | DWORD(b);
}
