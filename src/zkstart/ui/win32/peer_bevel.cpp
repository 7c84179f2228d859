// Bevels and shapes: no window of their own; their parent paints them.
#include "ui/win32/peer_base.h"

namespace zk::ui::win32 {

namespace {

// Bevels and shapes have no window: their parent paints them.
class PaintedPeer : public Peer {
public:
    explicit PaintedPeer(Control& c) : ctl(c) {}
    Control& ctl;
    void Changed(Prop) override { Repaint(); }
    void Repaint() override {
        Control* p = ctl.Parent();
        if (!p || !p->GetPeer()) return;
        HWND parent = HwndOf(*p);
        const Bounds& b = ctl.GetBounds();
        RECT rc{b.left, b.top, b.left + b.width, b.top + b.height};
        InflateRect(&rc, 2, 2);
        RedrawWindow(parent, &rc, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_UPDATENOW);
    }
};

}  // namespace

std::unique_ptr<Peer> MakePaintedPeer(Control& c) { return std::make_unique<PaintedPeer>(c); }

void PaintDecorations(Control& parent, HDC dc) {
    for (Control* c : parent.Children()) {
        if (!c->Visible()) continue;
        const Bounds& b = c->GetBounds();
        RECT rc{b.left, b.top, b.left + b.width, b.top + b.height};
        if (c->GetKind() == Kind::Shape) {
            HBRUSH br = CreateSolidBrush(ToColorRef(c->GetColor() == clDefault ? clBlack : c->GetColor()));
            FillRect(dc, &rc, br);
            DeleteObject(br);
        } else if (c->GetKind() == Kind::Bevel) {
            auto* bevel = static_cast<Bevel*>(c);
            const bool raised = bevel->style == Bevel::Style::Raised;
            UINT edge = EDGE_ETCHED;
            if (bevel->shape == Bevel::Shape::Box) edge = raised ? BDR_RAISEDINNER : BDR_SUNKENOUTER;
            else if (raised && bevel->shape == Bevel::Shape::Frame) edge = EDGE_BUMP;
            UINT flags = bevel->shape == Bevel::Shape::TopLine ? BF_TOP
                       : bevel->shape == Bevel::Shape::LeftLine ? BF_LEFT : BF_RECT;
            DrawEdge(dc, &rc, edge, flags);
        }
    }
}

}  // namespace zk::ui::win32
