#include "graphics/strokefont.h"

#include "graphics/surface.h"

namespace zk::graphics {

uint16_t LastAdvance = 0;

namespace {

constexpr size_t kMaxText = 255;

// One coordinate offset in font units: one or two terms, each scaled and
// rounded on its own, so 1.2+0.5 is [1.2] + [0.5], not [1.7].
struct U {
    U(double a) : a(a) {}  // NOLINT: the table reads best with plain numbers
    U(double a, double b) : a(a), b(b) {}
    double a, b = 0;
};

class Pen {
public:
    Pen(int x, int y, double s) : x_(x), y_(y), s_(s) {}
    int R(double k) const { return RoundEven(k * s_); }
    void L(U x1, U y1, U x2, U y2) const { DrawLine(X(x1), Y(y1), X(x2), Y(y2)); }
    void A(U cx, U cy, uint16_t from, uint16_t to, double r) const {
        DrawArc(X(cx), Y(cy), from, to, static_cast<uint16_t>(R(r)));
    }
    void C(U cx, U cy, double r) const { DrawCircle(X(cx), Y(cy), static_cast<uint16_t>(R(r))); }
    void E(U cx, U cy, double w, double h) const {
        DrawEllipse(X(cx), Y(cy), 0, 360, static_cast<uint16_t>(R(w)), static_cast<uint16_t>(R(h)));
    }

private:
    int X(U u) const { return x_ + R(u.a) + R(u.b); }
    int Y(U u) const { return y_ + R(u.a) + R(u.b); }
    int x_, y_;
    double s_;
};

// Advance in font units; below 0 when the code has no glyph.
double Advance(uint8_t code) {
    switch (code) {
        case 32: return 5;
        case 33: return 3;
        case 37: return 6;
        case 43: return 4;
        case 45: return 7;
        case 46: return 2;
        case 48: return 5;
        case 49: return 3;
        case 50: return 5;
        case 51: return 6;
        case 52: return 5;
        case 53: return 6;
        case 54: return 5;
        case 55: return 7;
        case 56: return 5;
        case 57: return 5;
        case 58: return 2;
        case 63: return 6;
        case 64: return 7;
        case 'A': return 6;
        case 'B': return 4;
        case 'C': return 6;
        case 'D': return 6;
        case 'E': return 6;
        case 'F': return 6;
        case 'G': return 7;
        case 'H': return 6;
        case 'I': return 1.5;
        case 'J': return 3;
        case 'K': return 4;
        case 'L': return 5;
        case 'M': return 9;
        case 'N': return 8;
        case 'O': return 7;
        case 'P': return 4;
        case 'Q': return 7;
        case 'R': return 5;
        case 'S': return 5;
        case 'T': return 6;
        case 'U': return 6;
        case 'V': return 5;
        case 'W': return 7;
        case 'X': return 5;
        case 'Y': return 5;
        case 'Z': return 7;
        case 129: case 154: return 6;
        case 132: case 142: return 6;
        case 148: case 153: return 7;
        case 248: return 3.5;
        default: return -1;
    }
}

void Strokes(const Pen& p, uint8_t code) {
    switch (code) {
        case 33:  // !
            p.C(0.5, 0, 0.5); p.A(9, -5, 167, 200, 9); p.L(0.5, -2, 2, -5); p.A(3, -8, 197, 250, 3);
            break;
        case 37:  // %
            p.A(11, 2, 120, 170, 10); p.C(1, -4, 1); p.C(4.5, -1, 1);
            break;
        case 43:  // +
            p.L(0, -2, 3, -2); p.L(1.5, -4, 1.5, 0);
            break;
        case 45:  // -
            p.A(3, 0, 45, 135, 4); p.A(3, -6, 225, 315, 4); p.C(3, -3, 1);
            break;
        case 46:  // .
            p.C(0, 0, 0.5);
            break;
        case 48:  // 0
            p.E(2, -3, 2, 3); p.L(1, -2, 3, -4);
            break;
        case 49:  // 1
            p.L(0, -3, 2, -6); p.L(2, -6, 2, 0);
            break;
        case 50:  // 2
            p.A(2, -4, 270, 180, 2); p.A(2, 0, 90, 180, 2); p.L(0, 0, 4, 0);
            break;
        case 51:  // 3
            p.A(2, -4, 300, 135, 2); p.A(2, -2, 180, 30, 2);
            break;
        case 52:  // 4
            p.A(4, -2, 90, 180, 4); p.L(0, -2, 4, -2); p.A(0, -2, 270, 20, 2); p.A(4, -2, 160, 270, 2);
            break;
        case 53:  // 5
            p.L(1, -6, 4, -6); p.L(1, -6, 0, -3.5); p.A(1.7, -2.3, 0, 170, 2); p.A(0, -4, 280, 343, 4);
            break;
        case 54:  // 6
            p.C(2, -2, 2); p.A(4, -2, 92, 180, 4);
            break;
        case 55:  // 7
            p.A(7, -1, 105, 190, 5); p.L(0, -6, 6, -6); p.A(0, -5, 0, 90, 1); p.L(1, -2, 4, -3);
            break;
        case 56:  // 8
            p.E(2, -4, 1, 2); p.A(2, -2, 120, 60, 2);
            break;
        case 57:  // 9
            p.C(2, -4, 2); p.A(0, -4, 280, 360, 4);
            break;
        case 58:  // :
            p.C(0, 0, 0.5); p.C(0, -2, 0.5);
            break;
        case 63:  // ?
            p.A(2, -4, 270, 145, 2); p.C(2.4, 0, 0.5);
            break;
        case 64:  // @
            p.C(3, -3, 3); p.A(3, -3, 45, 315, 1.5);
            break;
        case 'A':
            p.A(10, 1, 120, 170, 10); p.A(-4, 1, 8, 50, 10); p.A(1, 1, 10, 95, 5);
            break;
        case 'B':
            p.L(0, -5, 0, -1); p.L(-1, -6, 2, -6); p.L(0, -3, 2, -3); p.A(2, -4.5, 270, 90, 1.4);
            p.A(2, -1.5, 270, 90, 1.4); p.L(0, 0, 2, 0); p.A(0, -1, 180, 270, 1);
            break;
        case 'C':
            p.A(3, -3, 90, 315, 3); p.L(3, -6, 5, -6);
            break;
        case 'D':
            p.A(2, -3, 225, 135, 3); p.L(2, -1, 2, -5); p.C(2, -3, 0.5);
            break;
        case 'E':
            p.A(3, -3, 45, 315, 3); p.C(2, -3, 0.5);
            break;
        case 'F':
            p.A(3, -3, 45, 180, 3); p.L(0, -3, 0, 0); p.C(2, -3, 0.5);
            break;
        case 'G':
            p.A(3, -3, 45, 0, 3); p.L(3, -3, 6, -3);
            break;
        case 'H':
            p.A(-7, -6, 280, 0, 8); p.L(0, -3, 5, -3); p.A(11, 0, 135, 180, 8);
            break;
        case 'I':
            p.L(0, -6, -1, -7); p.L(0, -6, 1, -7); p.L(-1, -7, 1, -7); p.L(0, 0, 0, -4);
            break;
        case 'J':
            p.L(2, -6, 2, -1); p.A(0, -1, 200, 0, 2);
            break;
        case 'K':
            p.L(0, -6, 0, 0); p.A(0, -6, 270, 0, 3); p.A(0, 0, 0, 90, 3);
            break;
        case 'L':
            p.L(0, -6, 2, -6); p.L(1, 0, 4, 0); p.L(1, 0, 1, -6); p.L(4, 0, 4, -1);
            break;
        case 'M':
            p.A(3, -3, 100, 240, 3); p.L(2, -7, 4, -2); p.L(4, -2, 6, -7); p.A(5, -3, 300, 80, 3);
            break;
        case 'N':
            p.L(1, -6, 0, 0); p.L(1, -6, 4, 0); p.A(2, -3.3, 295, 55, 4);
            break;
        case 'O':
            p.C(3, -3, 3);
            break;
        case 'P':
            p.L(0, -5, 0, 0); p.L(-1, -6, 2, -6); p.L(0, -3, 2, -3); p.A(2, -4.5, 270, 90, 1.4);
            break;
        case 'Q':
            p.C(3, -3, 3); p.L(6, 1, 3, -2);
            break;
        case 'R':
            p.L(0, -5, 0, 0); p.L(-1, -6, 2, -6); p.L(0, -3, 2, -3); p.A(2, -4.5, 270, 90, 1.4);
            p.L(2, -3, 4, 0);
            break;
        case 'S':
            p.A(2, -4, 0, 270, 2); p.A(2, -2, 180, 90, 2);
            break;
        case 'T':
            p.A(7, -1, 105, 190, 5); p.L(0, -6, 6, -6);
            break;
        case 'U':
            p.A(3, -3, 130, 70, 3);
            break;
        case 'V':
            p.A(-6, 0, 0, 55, 8); p.A(10, 0, 132, 180, 8);
            break;
        case 'W':
            p.A(-6, 0, 0, 55, 8); p.A(10, 0, 132, 180, 8); p.A(-4, 0, 0, 55, 8); p.A(12, 0, 132, 180, 8);
            break;
        case 'X':
            p.A(-5, 0, 0, 55, 8); p.A(8.5, 0, 120, 180, 8);
            break;
        case 'Y':
            p.L(2, 0, 2, -2); p.L(0, -7, 2, -2); p.L(2, -2, 4, -6);
            break;
        case 'Z':
            p.L(6, -6, 0, 0); p.L(0, -6, 6, -6); p.L(0, 0, 6, 0);
            break;
        case 129: case 154:  // ü Ü
            p.A(3, -3, 130, 70, 3); p.L(1.5, -4.5, 2.5, -6); p.L(2.5, -4.5, 3.5, -6);
            break;
        case 132: case 142:  // ä Ä
            p.A(10, 1, 120, 170, 10); p.A(-4, 1, 8, 50, 10); p.A(1, 1, 10, 95, 5);
            p.C(1, -5.5, 0.4); p.C(4.5, -5.5, 0.4);
            break;
        case 148: case 153:  // ö Ö
            p.C(3, -3, 3); p.C(2.5, -4.5, 0.4); p.C(3.5, -4.5, 0.4);
            break;
        case 248:  // registered sign
            p.C(1.5, {-1.5, -3}, 1.5);
            p.L(1.2, {-1.25, -3.7}, 1.2, -3.7);
            p.L({1.2, -0.25}, {-3.7, -1.5}, {1.2, 0.5}, {-3.7, -1.5});
            p.L(1.2, {-0.75, -3.7}, {1.2, 0.5}, {-0.75, -3.7});
            p.A({1.2, 0.5}, {-3.7, -1.125}, 270, 90, 0.35);
            p.L({1.2, 0.5}, {-3.7, -0.75}, {1.2, 1}, -3.7);
            break;
        default:
            break;
    }
}

std::string Cut(const std::string& text) { return text.size() > kMaxText ? text.substr(0, kMaxText) : text; }

}  // namespace

uint16_t DrawGlyph(int x, int y, bool draw, double s, uint8_t code) {
    if (code >= 'a' && code <= 'z') code = static_cast<uint8_t>(code - 32);
    double units = code < 32 || code > 248 ? -1 : Advance(code);
    if (units < 0) {
        LastAdvance = 0;
    } else {
        Pen pen(x, y, s);
        LastAdvance = static_cast<uint16_t>(pen.R(units));
        if (draw) Strokes(pen, code);
    }
    MovePen(x + LastAdvance, y);
    return LastAdvance;
}

uint16_t MeasureStrokeText(uint8_t spacing, const std::string& text, double s) {
    uint16_t total = 0;
    for (char c : Cut(text)) {
        uint16_t advance = DrawGlyph(GetPenX(), GetPenY(), false, s, static_cast<uint8_t>(c));
        total = static_cast<uint16_t>(total + advance + spacing - 1);
    }
    LastAdvance = total;
    return total;
}

void DrawStrokeText(int32_t x, int y, uint8_t spacing, uint8_t color, double s, const std::string& text) {
    SetPenColorIndex(color);
    int32_t runX = x;
    for (char c : Cut(text)) runX += DrawGlyph(runX, y, true, s, static_cast<uint8_t>(c)) + spacing - 1;
}

void DrawCenteredStrokeText(uint16_t areaWidth, uint16_t xOffset, uint16_t y, uint8_t color, const std::string& text,
                            double s, uint8_t spacing) {
    const std::string cut = Cut(text);
    int width = MeasureStrokeText(spacing, cut, s);
    // A text wider than its area starts left of it and overflows both edges
    // alike; the canvas clips.
    int startX = RoundEven((static_cast<int>(areaWidth) - width) / 2.0) + xOffset;
    DrawStrokeText(startX, y, spacing, color, s, cut);
}

}  // namespace zk::graphics
