#include "ui/win32/peers.h"

#include <windows.h>
#include <commctrl.h>

#include <algorithm>
#include <map>
#include <set>
#include <memory>
#include <vector>

#include "platform/win32/canvas_win32.h"
#include "platform/win32/wstr.h"

namespace zk::ui::win32 {

using zk::win32::Utf8;
using zk::win32::Wide;

namespace {

const wchar_t kContainerClass[] = L"ZkContainer";
platform::ApplicationState* gApp = nullptr;
std::vector<HWND> gTooltips;
UINT gNextId = 1000;

COLORREF ToColorRef(Color c) {
    if (c & 0x80000000u) return GetSysColor(static_cast<int>(c & 0xFF));
    return static_cast<COLORREF>(c & 0xFFFFFF);
}

HFONT FontFor(const Font& f) {
    static std::vector<std::pair<Font, HFONT>> cache;
    for (auto& [font, h] : cache)
        if (font == f) return h;
    HFONT h = CreateFontW(-f.height, 0, 0, 0, f.bold ? FW_BOLD : FW_NORMAL, f.italic, f.underline, FALSE, DEFAULT_CHARSET,
                          OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY, DEFAULT_PITCH | FF_SWISS,
                          Wide(f.name).c_str());
    cache.emplace_back(f, h);
    return h;
}

LPCWSTR CursorId(Cursor c) {
    switch (c) {
        case Cursor::HandPoint: return IDC_HAND;
        case Cursor::IBeam: return IDC_IBEAM;
        case Cursor::SizeWE: return IDC_SIZEWE;
        case Cursor::HourGlass: return IDC_WAIT;
        case Cursor::Arrow: return IDC_ARROW;
        case Cursor::Default: break;
    }
    return nullptr;
}

class WinPeer;
HWND HwndOf(Control& c);
// Our peers' windows. Other windows of the program (the message dialog) keep
// their own data in GWLP_USERDATA, which is no peer.
std::set<HWND> gPeerWindows;
WinPeer* PeerOf(HWND h) {
    if (!gPeerWindows.count(h)) return nullptr;
    return reinterpret_cast<WinPeer*>(GetWindowLongPtrW(h, GWLP_USERDATA));
}

class WinPeer : public Peer {
public:
    explicit WinPeer(Control& c) : ctl(c) {}
    ~WinPeer() override {
        gPeerWindows.erase(hwnd);
        if (hwnd && IsWindow(hwnd)) {
            SetWindowLongPtrW(hwnd, GWLP_USERDATA, 0);
            if (ctl.GetKind() == Kind::Form) DestroyWindow(hwnd);
        }
    }

    Control& ctl;
    HWND hwnd = nullptr;
    // An invalidation is pending; known only for subclassed windows, whose
    // paints we see.
    bool dirty = false;
    HWND tooltip = nullptr;  // forms: the one tool-tip window for all their controls
    WNDPROC oldProc = nullptr;
    bool updating = false;

    HWND ParentWindow() {
        Control* p = ctl.Parent();
        while (p && !HwndOf(*p)) p = p->Parent();
        return p ? HwndOf(*p) : nullptr;
    }

    HWND FormTooltip() {
        Form* f = ctl.OwnerForm();
        return f && f->GetPeer() ? static_cast<WinPeer*>(f->GetPeer())->tooltip : nullptr;
    }

    void Create(LPCWSTR cls, DWORD style, DWORD exStyle = 0) {
        const Bounds& b = ctl.GetBounds();
        HWND parent = ParentWindow();
        if (ctl.Visible()) style |= WS_VISIBLE;
        if (!ctl.Enabled()) style |= WS_DISABLED;
        hwnd = CreateWindowExW(exStyle, cls, Wide(ctl.Caption()).c_str(), style | WS_CHILD, b.left, b.top, b.width,
                               b.height, parent, reinterpret_cast<HMENU>(static_cast<UINT_PTR>(gNextId++)),
                               GetModuleHandleW(nullptr), nullptr);
        SetWindowLongPtrW(hwnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(this));
        gPeerWindows.insert(hwnd);
        SendMessageW(hwnd, WM_SETFONT, reinterpret_cast<WPARAM>(FontFor(ctl.GetFont())), FALSE);
        AddTool();
    }

    void AddTool() {
        HWND tip = FormTooltip();
        if (!tip || ctl.Hint().empty()) return;
        std::wstring text = Wide(ctl.Hint());
        TOOLINFOW ti{};
        ti.cbSize = sizeof ti;
        ti.uFlags = TTF_IDISHWND | TTF_SUBCLASS;
        ti.hwnd = GetParent(hwnd);
        ti.uId = reinterpret_cast<UINT_PTR>(hwnd);
        ti.lpszText = text.data();
        SendMessageW(tip, TTM_DELTOOLW, 0, reinterpret_cast<LPARAM>(&ti));
        if (ctl.ShowHint()) SendMessageW(tip, TTM_ADDTOOLW, 0, reinterpret_cast<LPARAM>(&ti));
    }

    // Routes the window's own messages through OnSubclassed first.
    void Subclass() {
        oldProc = reinterpret_cast<WNDPROC>(
            SetWindowLongPtrW(hwnd, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&WinPeer::SubclassProc)));
    }
    static LRESULT CALLBACK SubclassProc(HWND h, UINT msg, WPARAM wp, LPARAM lp) {
        WinPeer* p = PeerOf(h);
        if (p && msg == WM_PAINT) p->dirty = false;
        LRESULT r = 0;
        if (p && p->OnSubclassed(msg, wp, lp, r)) return r;
        WNDPROC old = p ? p->oldProc : DefWindowProcW;
        return CallWindowProcW(old, h, msg, wp, lp);
    }
    virtual bool OnSubclassed(UINT, WPARAM, LPARAM, LRESULT&) { return false; }

    // Notifications from the control, sent to its parent window.
    virtual void OnCommand(WORD) {}
    virtual void OnScroll() {}
    virtual LRESULT OnNotify(NMHDR*) { return 0; }

    void Changed(Prop prop) override {
        if (!hwnd) return;
        switch (prop) {
            case Prop::Bounds: {
                const Bounds& b = ctl.GetBounds();
                MoveWindow(hwnd, b.left, b.top, b.width, b.height, TRUE);
                break;
            }
            case Prop::Enabled: EnableWindow(hwnd, ctl.Enabled()); break;
            case Prop::Visible: ShowWindow(hwnd, ctl.Visible() ? SW_SHOW : SW_HIDE); break;
            case Prop::Caption: SetWindowTextW(hwnd, Wide(ctl.Caption()).c_str()); InvalidateRect(hwnd, nullptr, TRUE); break;
            case Prop::Hint: AddTool(); break;
            case Prop::Font: SendMessageW(hwnd, WM_SETFONT, reinterpret_cast<WPARAM>(FontFor(ctl.GetFont())), TRUE); break;
            case Prop::Focus:
                if (GetFocus() != hwnd) ::SetFocus(hwnd);
                break;
            default: Update(prop); break;
        }
    }
    virtual void Update(Prop) {}

    // A run repaints after every block, far more often than a screen shows
    // a change, and each paint costs a trip to the display. A repaint within
    // one frame of the last one stays pending and goes out with the next
    // repaint after the frame, or when the message loop runs.
    void Invalidate() {
        if (oldProc && dirty) return;
        RedrawWindow(hwnd, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN);
        if (oldProc) dirty = true;
    }
    void Repaint() override {
        if (!hwnd) return;
        Invalidate();
        static ULONGLONG last = 0;
        const ULONGLONG now = GetTickCount64();
        if (now - last < kFrameMs) return;
        last = now;
        RedrawWindow(GetAncestor(hwnd, GA_ROOT), nullptr, nullptr, RDW_UPDATENOW | RDW_ALLCHILDREN);
    }
    static constexpr ULONGLONG kFrameMs = 15;

    std::unique_ptr<platform::Canvas> OpenCanvas() override { return platform::OpenWindowCanvas(hwnd); }

    // Tells the form that part of it was painted again.
    void PaintedInForm() {
        Form* f = ctl.OwnerForm();
        if (f && f->OnPaint) User(f->OnPaint);
    }

    // A user action on this control: errors go to the error box.
    template <class F>
    void User(F&& f) {
        if (updating) return;
        ctl.Perform(std::forward<F>(f));
    }
};

class ButtonPeer : public WinPeer {
public:
    explicit ButtonPeer(Button& b) : WinPeer(b), button(b) {
        DWORD kind = b.glyph ? BS_OWNERDRAW : b.isDefault ? BS_DEFPUSHBUTTON : BS_PUSHBUTTON;
        Create(L"BUTTON", WS_TABSTOP | BS_NOTIFY | kind);
        Subclass();
    }
    Button& button;

    // A button with a glyph: the caption above, the picture below it; or
    // the picture left of the caption, both centred together.
    void OnDrawItem(const DRAWITEMSTRUCT& di) {
        HDC dc = di.hDC;
        RECT rc = di.rcItem;
        const bool pushed = di.itemState & ODS_SELECTED, disabled = di.itemState & ODS_DISABLED;
        if (button.isDefault || (di.itemState & ODS_FOCUS)) {
            FrameRect(dc, &rc, static_cast<HBRUSH>(GetStockObject(BLACK_BRUSH)));
            InflateRect(&rc, -1, -1);
        }
        DrawFrameControl(dc, &rc, DFC_BUTTON, DFCS_BUTTONPUSH | (pushed ? DFCS_PUSHED : 0));
        const int shift = pushed ? 1 : 0;
        SIZE text{};
        std::wstring caption = Wide(button.Caption());
        HGDIOBJ oldFont = SelectObject(dc, FontFor(button.GetFont()));
        GetTextExtentPoint32W(dc, caption.c_str(), static_cast<int>(caption.size()), &text);
        const int gap = button.glyphLeft ? 4 : 2;
        RECT tr;
        int gx, gy;
        if (button.glyphLeft) {
            const int total = button.glyphWidth + gap + text.cx;
            gx = rc.left + (rc.right - rc.left - total) / 2 + shift;
            gy = rc.top + (rc.bottom - rc.top - button.glyphHeight) / 2 + shift;
            const int ty = rc.top + (rc.bottom - rc.top - text.cy) / 2 + shift;
            tr = {gx + button.glyphWidth + gap, ty, gx + total, ty + text.cy};
        } else {
            const int total = text.cy + gap + button.glyphHeight;
            const int top = rc.top + (rc.bottom - rc.top - total) / 2 + shift;
            tr = {rc.left + shift, top, rc.right + shift, top + text.cy};
            gx = rc.left + (rc.right - rc.left - button.glyphWidth) / 2 + shift;
            gy = tr.bottom + gap;
        }
        SetBkMode(dc, TRANSPARENT);
        SetTextColor(dc, GetSysColor(disabled ? COLOR_GRAYTEXT : COLOR_BTNTEXT));
        DrawTextW(dc, caption.c_str(), -1, &tr, (button.glyphLeft ? DT_LEFT : DT_CENTER) | DT_SINGLELINE | DT_NOPREFIX);
        SelectObject(dc, oldFont);
        const Painter& paint = disabled && button.glyphDisabled ? button.glyphDisabled : button.glyph;
        int saved = SaveDC(dc);
        IntersectClipRect(dc, gx, gy, gx + button.glyphWidth, gy + button.glyphHeight);
        SetViewportOrgEx(dc, gx, gy, nullptr);
        {
            platform::CanvasWin32 canvas(dc);
            paint(canvas);
        }
        RestoreDC(dc, saved);
        if (di.itemState & ODS_FOCUS) {
            RECT fr = rc;
            InflateRect(&fr, -4, -4);
            DrawFocusRect(dc, &fr);
        }
    }
    void OnCommand(WORD code) override {
        if (code == BN_CLICKED) User([this] { button.Click(); });
        if (code == BN_SETFOCUS) User([this] { button.SetFocus(); });
    }
    bool OnSubclassed(UINT msg, WPARAM, LPARAM lp, LRESULT&) override {
        if (msg != WM_RBUTTONUP || !button.popupMenu) return false;
        HMENU menu = CreatePopupMenu();
        auto& items = button.popupMenu->items;
        for (size_t i = 0; i < items.size(); ++i)
            AppendMenuW(menu, MF_STRING, i + 1, Wide(items[i]->caption).c_str());
        POINT pt{static_cast<short>(LOWORD(lp)), static_cast<short>(HIWORD(lp))};
        ClientToScreen(hwnd, &pt);
        UINT chosen = static_cast<UINT>(TrackPopupMenu(menu, TPM_RETURNCMD | TPM_RIGHTBUTTON, pt.x, pt.y, 0, hwnd, nullptr));
        DestroyMenu(menu);
        if (chosen > 0 && chosen <= items.size()) {
            MenuItem* item = items[chosen - 1];
            User([item] {
                if (item->OnClick) item->OnClick();
            });
        }
        return true;
    }
};

class CheckBoxPeer : public WinPeer {
public:
    explicit CheckBoxPeer(CheckBox& c) : WinPeer(c), box(c) {
        Create(L"BUTTON", (c.tabStop ? WS_TABSTOP : 0) | BS_NOTIFY | BS_AUTOCHECKBOX);
        Update(Prop::Checked);
    }
    CheckBox& box;
    void OnCommand(WORD code) override {
        if (code == BN_SETFOCUS) User([this] { box.SetFocus(); });
        if (code != BN_CLICKED) return;
        bool on = SendMessageW(hwnd, BM_GETCHECK, 0, 0) == BST_CHECKED;
        User([this, on] { box.SetChecked(on); });
    }
    void Update(Prop p) override {
        if (p == Prop::Checked) SendMessageW(hwnd, BM_SETCHECK, box.Checked() ? BST_CHECKED : BST_UNCHECKED, 0);
    }
};

std::wstring WindowText(HWND h) {
    int n = GetWindowTextLengthW(h);
    std::wstring s(static_cast<size_t>(n) + 1, L'\0');
    n = GetWindowTextW(h, s.data(), n + 1);
    s.resize(static_cast<size_t>(n));
    return s;
}

class EditPeer : public WinPeer {
public:
    explicit EditPeer(Edit& e) : WinPeer(e), edit(e) {
        DWORD style = WS_TABSTOP | ES_AUTOHSCROLL;
        if (e.charCase == CharCase::Upper) style |= ES_UPPERCASE;
        if (e.charCase == CharCase::Lower) style |= ES_LOWERCASE;
        if (e.passwordChar) style |= ES_PASSWORD;
        Create(L"EDIT", style, WS_EX_CLIENTEDGE);
        if (e.maxLength > 0) SendMessageW(hwnd, EM_LIMITTEXT, static_cast<WPARAM>(e.maxLength), 0);
        if (e.passwordChar) SendMessageW(hwnd, EM_SETPASSWORDCHAR, static_cast<WPARAM>(e.passwordChar), 0);
        Update(Prop::Text);
    }
    Edit& edit;
    void OnCommand(WORD code) override {
        if (code == EN_CHANGE) {
            std::string text = Utf8(WindowText(hwnd));
            User([this, text] { edit.SetText(text); });
        } else if (code == EN_SETFOCUS) {
            User([this] { edit.SetFocus(); });
        }
    }
    void Update(Prop p) override {
        if (p != Prop::Text || Utf8(WindowText(hwnd)) == edit.Text()) return;
        updating = true;
        SetWindowTextW(hwnd, Wide(edit.Text()).c_str());
        updating = false;
    }
};

class MemoPeer : public WinPeer {
public:
    explicit MemoPeer(Memo& m) : WinPeer(m), memo(m) {
        Create(L"EDIT",
               ES_MULTILINE | ES_AUTOVSCROLL | (m.verticalScrollBar ? WS_VSCROLL : 0) | (m.readOnly ? ES_READONLY : 0) |
                   (m.centered ? ES_CENTER : 0) | (m.tabStop ? WS_TABSTOP : 0),
               WS_EX_CLIENTEDGE);
        Update(Prop::Lines);
    }
    Memo& memo;
    void Update(Prop p) override {
        if (p != Prop::Lines) return;
        std::string all;
        for (const auto& l : memo.Lines()) all += (all.empty() ? "" : "\r\n") + l;
        updating = true;
        SetWindowTextW(hwnd, Wide(all).c_str());
        updating = false;
    }
};

class TrackBarPeer : public WinPeer {
public:
    explicit TrackBarPeer(TrackBar& t) : WinPeer(t), bar(t) {
        Create(TRACKBAR_CLASSW, WS_TABSTOP | TBS_HORZ | TBS_FIXEDLENGTH | (t.tickMarks ? TBS_AUTOTICKS : TBS_NOTICKS));
        SendMessageW(hwnd, TBM_SETTHUMBLENGTH, static_cast<WPARAM>(t.thumbLength), 0);
        SendMessageW(hwnd, TBM_SETPAGESIZE, 0, t.pageSize);
        Update(Prop::Position);
        Subclass();
    }
    TrackBar& bar;
    void Update(Prop p) override {
        if (p != Prop::Position) return;
        SendMessageW(hwnd, TBM_SETRANGE, TRUE, MAKELPARAM(bar.Min(), bar.Max()));
        SendMessageW(hwnd, TBM_SETPOS, TRUE, bar.Position());
    }
    void OnScroll() override {
        int pos = static_cast<int>(SendMessageW(hwnd, TBM_GETPOS, 0, 0));
        User([this, pos] { bar.SetPosition(pos); });
    }
    bool OnSubclassed(UINT msg, WPARAM wp, LPARAM, LRESULT&) override {
        int key = static_cast<int>(wp);
        if (msg == WM_KEYDOWN && bar.OnKeyDown) User([this, key] { bar.OnKeyDown(key); });
        if (msg == WM_KEYUP && bar.OnKeyUp) User([this, key] { bar.OnKeyUp(key); });
        return false;
    }
};

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

class StaticPeer : public WinPeer {
public:
    StaticPeer(Control& c, DWORD style) : WinPeer(c) {
        Create(L"STATIC", style);
        Subclass();
    }
    // A label is a window of its own here: its repaint is part of the form's.
    // The caption lives in the control object: a run changes it every
    // block, and setting the window's text would paint at once each time.
    void Changed(Prop prop) override {
        if (prop == Prop::Caption) Invalidate();
        else WinPeer::Changed(prop);
    }
    bool OnSubclassed(UINT msg, WPARAM wp, LPARAM lp, LRESULT& r) override {
        if (msg == WM_GETTEXTLENGTH || msg == WM_GETTEXT) {
            const std::wstring text = Wide(ctl.Caption());
            if (msg == WM_GETTEXTLENGTH) {
                r = static_cast<LRESULT>(text.size());
            } else {
                const size_t room = static_cast<size_t>(wp);
                const size_t n = room ? std::min(text.size(), room - 1) : 0;
                auto* out = reinterpret_cast<wchar_t*>(lp);
                if (room) {
                    text.copy(out, n);
                    out[n] = L'\0';
                }
                r = static_cast<LRESULT>(n);
            }
            return true;
        }
        if (msg == WM_ERASEBKGND) {
            r = 1;
            return true;
        }
        if (msg != WM_PAINT) return false;
        PaintLabel(ctl.GetKind() == Kind::Label && static_cast<Label&>(ctl).transparent);
        PaintedInForm();
        return true;
    }

    // Painted from the caption of the control object. A transparent label:
    // the parent clips its children, so what lies below (its colour, bevels
    // and shapes) is painted here again, then the caption over it.
    void PaintLabel(bool transparent) {
        PAINTSTRUCT ps;
        HDC dc = BeginPaint(hwnd, &ps);
        RECT rc;
        GetClientRect(hwnd, &rc);
        Control* parent = ctl.Parent();
        Color bg = parent && parent->GetColor() != clDefault ? parent->GetColor() : clBtnFace;
        if (!transparent && ctl.GetColor() != clDefault) bg = ctl.GetColor();
        HBRUSH brush = CreateSolidBrush(ToColorRef(bg));
        FillRect(dc, &rc, brush);
        DeleteObject(brush);
        if (parent && transparent) {
            const Bounds& b = ctl.GetBounds();
            POINT old;
            SetViewportOrgEx(dc, -b.left, -b.top, &old);
            PaintDecorations(*parent, dc);
            SetViewportOrgEx(dc, old.x, old.y, nullptr);
        }
        std::wstring text = Wide(ctl.Caption());
        HGDIOBJ oldFont = SelectObject(dc, FontFor(ctl.GetFont()));
        SetBkMode(dc, TRANSPARENT);
        SetTextColor(dc, IsWindowEnabled(hwnd) ? ToColorRef(ctl.GetFont().color) : GetSysColor(COLOR_GRAYTEXT));
        UINT align = static_cast<Label&>(ctl).alignment == Label::Align::Center ? DT_CENTER
                   : static_cast<Label&>(ctl).alignment == Label::Align::Right  ? DT_RIGHT : DT_LEFT;
        DrawTextW(dc, text.c_str(), -1, &rc, align | DT_NOPREFIX | DT_WORDBREAK);
        SelectObject(dc, oldFont);
        EndPaint(hwnd, &ps);
    }
};

// Draws its picture through a canvas on every paint.
class ImagePeer : public WinPeer {
public:
    explicit ImagePeer(Image& i) : WinPeer(i), image(i) {
        Create(L"STATIC", SS_NOTIFY);  // SS_NOTIFY: mouse messages, so hints show
        Subclass();
    }
    Image& image;
    bool OnSubclassed(UINT msg, WPARAM, LPARAM, LRESULT& r) override {
        if (msg == WM_ERASEBKGND) {
            r = 1;
            return true;
        }
        if (msg != WM_PAINT) return false;
        PAINTSTRUCT ps;
        HDC dc = BeginPaint(hwnd, &ps);
        RECT rc;
        GetClientRect(hwnd, &rc);
        Control* parent = image.Parent();
        Color bg = parent && parent->GetColor() != clDefault ? parent->GetColor() : clBtnFace;
        HBRUSH brush = (bg & 0x80000000u) ? GetSysColorBrush(static_cast<int>(bg & 0xFF)) : CreateSolidBrush(ToColorRef(bg));
        FillRect(dc, &rc, brush);
        if (!(bg & 0x80000000u)) DeleteObject(brush);
        if (image.picture) {
            int x = image.center ? (rc.right - image.pictureWidth) / 2 : 0;
            int y = image.center ? (rc.bottom - image.pictureHeight) / 2 : 0;
            int saved = SaveDC(dc);
            IntersectClipRect(dc, x, y, x + image.pictureWidth, y + image.pictureHeight);
            SetViewportOrgEx(dc, x, y, nullptr);
            {
                platform::CanvasWin32 canvas(dc);
                image.picture(canvas);
            }
            RestoreDC(dc, saved);
        }
        EndPaint(hwnd, &ps);
        return true;
    }
};

DWORD LabelStyle(const Label& l) {
    switch (l.alignment) {
        case Label::Align::Center: return SS_CENTER;
        case Label::Align::Right: return SS_RIGHT;
        case Label::Align::Left: break;
    }
    return SS_LEFT;
}

// Forms, tab sheets and panels: windows of our own class that hand their
// children's notifications back to the children's objects.
class ContainerPeer : public WinPeer {
public:
    explicit ContainerPeer(Control& c) : WinPeer(c) {}

    void CreateChild() {
        DWORD ex = WS_EX_CONTROLPARENT;
        Create(kContainerClass, WS_CLIPCHILDREN, ex);
    }

    static LRESULT CALLBACK Proc(HWND h, UINT msg, WPARAM wp, LPARAM lp) {
        auto* self = static_cast<ContainerPeer*>(PeerOf(h));
        if (!self) return DefWindowProcW(h, msg, wp, lp);
        LRESULT r = 0;
        if (self->Handle(msg, wp, lp, r)) return r;
        return DefWindowProcW(h, msg, wp, lp);
    }

    virtual bool Handle(UINT msg, WPARAM wp, LPARAM lp, LRESULT& r) {
        switch (msg) {
            case WM_COMMAND:
                if (lp) {
                    if (WinPeer* child = PeerOf(reinterpret_cast<HWND>(lp))) child->OnCommand(HIWORD(wp));
                } else {
                    PressForKey(LOWORD(wp));
                }
                return true;
            case WM_HSCROLL:
                if (lp)
                    if (WinPeer* child = PeerOf(reinterpret_cast<HWND>(lp))) child->OnScroll();
                return true;
            case WM_NOTIFY: {
                auto* nm = reinterpret_cast<NMHDR*>(lp);
                if (WinPeer* child = PeerOf(nm->hwndFrom)) r = child->OnNotify(nm);
                return true;
            }
            case WM_SETCURSOR: {
                // A form-wide cursor (the hourglass of a run) wins over the controls' own.
                if (Form* f = ctl.OwnerForm(); f && LOWORD(lp) == HTCLIENT)
                    if (LPCWSTR id = CursorId(f->GetCursor())) {
                        SetCursor(LoadCursorW(nullptr, id));
                        r = TRUE;
                        return true;
                    }
                WinPeer* child = PeerOf(reinterpret_cast<HWND>(wp));
                if (child && child != this && LOWORD(lp) == HTCLIENT) {
                    if (LPCWSTR id = CursorId(child->ctl.GetCursor())) {
                        SetCursor(LoadCursorW(nullptr, id));
                        r = TRUE;
                        return true;
                    }
                }
                return false;
            }
            case WM_DRAWITEM: {
                auto* di = reinterpret_cast<const DRAWITEMSTRUCT*>(lp);
                WinPeer* child = di ? PeerOf(di->hwndItem) : nullptr;
                if (!child || child->ctl.GetKind() != Kind::Button) return false;
                static_cast<ButtonPeer*>(child)->OnDrawItem(*di);
                r = TRUE;
                return true;
            }
            case WM_CTLCOLORSTATIC:
            case WM_CTLCOLORBTN: {
                WinPeer* child = PeerOf(reinterpret_cast<HWND>(lp));
                if (!child) return false;
                HDC dc = reinterpret_cast<HDC>(wp);
                SetTextColor(dc, ToColorRef(child->ctl.GetFont().color));
                const Label* label = child->ctl.GetKind() == Kind::Label ? static_cast<Label*>(&child->ctl) : nullptr;
                if (label && label->transparent) {
                    SetBkMode(dc, TRANSPARENT);
                    r = reinterpret_cast<LRESULT>(GetStockObject(NULL_BRUSH));
                    return true;
                }
                Color bg = child->ctl.GetColor() == clDefault ? ctl.GetColor() : child->ctl.GetColor();
                if (bg == clDefault) bg = clBtnFace;
                SetBkColor(dc, ToColorRef(bg));
                r = reinterpret_cast<LRESULT>(Brush(bg));
                return true;
            }
            case WM_ERASEBKGND: {
                RECT rc;
                GetClientRect(h(), &rc);
                Color bg = ctl.GetColor() == clDefault ? clBtnFace : ctl.GetColor();
                FillRect(reinterpret_cast<HDC>(wp), &rc, Brush(bg));
                r = 1;
                return true;
            }
            case WM_PAINT: {
                PAINTSTRUCT ps;
                HDC dc = BeginPaint(h(), &ps);
                PaintDecorations(ctl, dc);
                EndPaint(h(), &ps);
                return true;
            }
        }
        return false;
    }

    HWND h() const { return hwnd; }

    // Enter presses the focused button, else the form's default button;
    // Escape presses the form's cancel button.
    void PressForKey(WORD id) {
        if (id != IDOK && id != IDCANCEL) return;
        if (HWND focus = GetFocus(); focus && id == IDOK) {
            if (WinPeer* child = PeerOf(focus); child && child->ctl.GetKind() == Kind::Button) {
                child->OnCommand(BN_CLICKED);
                return;
            }
        }
        Form* form = ctl.OwnerForm();
        if (!form) return;
        if (Button* b = FindButton(*form, id == IDOK))
            if (b->Enabled() && b->Visible()) User([b] { b->Click(); });
    }
    static Button* FindButton(Control& c, bool isDefault) {
        if (c.GetKind() == Kind::Button) {
            auto* b = static_cast<Button*>(&c);
            if (isDefault ? b->isDefault : b->isCancel) return b;
        }
        for (Control* child : c.Children())
            if (Button* b = FindButton(*child, isDefault)) return b;
        return nullptr;
    }

    static HBRUSH Brush(Color c) {
        static std::map<Color, HBRUSH> brushes;
        auto it = brushes.find(c);
        if (it != brushes.end()) return it->second;
        HBRUSH b = (c & 0x80000000u) ? GetSysColorBrush(static_cast<int>(c & 0xFF)) : CreateSolidBrush(ToColorRef(c));
        brushes[c] = b;
        return b;
    }
};

class PanelPeer : public ContainerPeer {
public:
    explicit PanelPeer(Panel& p) : ContainerPeer(p), panel(p) { CreateChild(); }
    Panel& panel;
    bool Handle(UINT msg, WPARAM wp, LPARAM lp, LRESULT& r) override {
        if (msg != WM_PAINT) return ContainerPeer::Handle(msg, wp, lp, r);
        PAINTSTRUCT ps;
        HDC dc = BeginPaint(hwnd, &ps);
        RECT rc;
        GetClientRect(hwnd, &rc);
        auto edge = [&](Panel::BevelKind k) {
            if (k == Panel::BevelKind::None) return;
            // Both bevels are bevelWidth pixels wide, as the window library draws them.
            for (int i = 0; i < panel.bevelWidth; ++i) {
                DrawEdge(dc, &rc, k == Panel::BevelKind::Raised ? BDR_RAISEDINNER : BDR_SUNKENOUTER, BF_RECT | BF_ADJUST);
            }
        };
        PaintDecorations(panel, dc);
        if (panel.singleBorder) {
            FrameRect(dc, &rc, static_cast<HBRUSH>(GetStockObject(BLACK_BRUSH)));
            InflateRect(&rc, -1, -1);
        }
        edge(panel.bevelOuter);
        InflateRect(&rc, -panel.borderWidth, -panel.borderWidth);
        edge(panel.bevelInner);
        std::wstring text = Wide(panel.Caption());
        if (!text.empty()) {
            HGDIOBJ old = SelectObject(dc, FontFor(panel.GetFont()));
            SetBkMode(dc, TRANSPARENT);
            SetTextColor(dc, ToColorRef(panel.GetFont().color));
            DrawTextW(dc, text.c_str(), -1, &rc, DT_CENTER | DT_VCENTER | DT_SINGLELINE);
            SelectObject(dc, old);
        }
        EndPaint(hwnd, &ps);
        PaintedInForm();
        return true;
    }
};

class GroupBoxPeer : public ContainerPeer {
public:
    explicit GroupBoxPeer(GroupBox& g) : ContainerPeer(g) { CreateChild(); }
    bool Handle(UINT msg, WPARAM wp, LPARAM lp, LRESULT& r) override {
        if (msg != WM_PAINT) return ContainerPeer::Handle(msg, wp, lp, r);
        PAINTSTRUCT ps;
        HDC dc = BeginPaint(hwnd, &ps);
        HGDIOBJ old = SelectObject(dc, FontFor(ctl.GetFont()));
        std::wstring text = Wide(ctl.Caption());
        SIZE ts{0, 0};
        GetTextExtentPoint32W(dc, text.c_str(), static_cast<int>(text.size()), &ts);
        RECT rc;
        GetClientRect(hwnd, &rc);
        rc.top += ts.cy / 2;
        DrawEdge(dc, &rc, EDGE_ETCHED, BF_RECT);
        PaintDecorations(ctl, dc);
        if (!text.empty()) {
            SetBkColor(dc, GetSysColor(COLOR_BTNFACE));
            SetBkMode(dc, OPAQUE);
            SetTextColor(dc, ToColorRef(ctl.GetFont().color));
            TextOutW(dc, 8, 0, text.c_str(), static_cast<int>(text.size()));
        }
        SelectObject(dc, old);
        EndPaint(hwnd, &ps);
        return true;
    }
};

class TabSheetPeer : public ContainerPeer {
public:
    explicit TabSheetPeer(TabSheet& t) : ContainerPeer(t) {
        CreateChild();
    }
};

class PageControlPeer : public WinPeer {
public:
    explicit PageControlPeer(PageControl& p) : WinPeer(p), pages(p) {
        Create(WC_TABCONTROLW, WS_TABSTOP | WS_CLIPSIBLINGS | WS_CLIPCHILDREN | (p.multiLine ? TCS_MULTILINE : 0),
               WS_EX_CONTROLPARENT);
        SendMessageW(hwnd, WM_SETFONT, reinterpret_cast<WPARAM>(FontFor(p.tabFont)), FALSE);
        auto sheets = p.Pages();
        for (size_t i = 0; i < sheets.size(); ++i) {
            std::wstring cap = Wide(sheets[i]->Caption());
            TCITEMW item{};
            item.mask = TCIF_TEXT;
            item.pszText = cap.data();
            SendMessageW(hwnd, TCM_INSERTITEMW, i, reinterpret_cast<LPARAM>(&item));
        }
    }
    PageControl& pages;

    // Places the sheets in the display area and shows the active one.
    // A focus on the page that goes moves to the first tab stop of the new
    // one (else to the tab row): keys must not go to a hidden control.
    void Layout() {
        RECT rc;
        GetClientRect(hwnd, &rc);
        SendMessageW(hwnd, TCM_ADJUSTRECT, FALSE, reinterpret_cast<LPARAM>(&rc));
        auto sheets = pages.Pages();
        const HWND focus = GetFocus();
        HWND shown = nullptr;
        bool focusHidden = false;
        for (size_t i = 0; i < sheets.size(); ++i) {
            if (!sheets[i]->GetPeer()) continue;
            HWND s = static_cast<WinPeer*>(sheets[i]->GetPeer())->hwnd;
            MoveWindow(s, rc.left, rc.top, rc.right - rc.left, rc.bottom - rc.top, TRUE);
            bool active = sheets[i] == pages.ActivePage();
            if (active) SendMessageW(hwnd, TCM_SETCURSEL, i, 0);
            if (active) shown = s;
            else if (focus && (focus == s || IsChild(s, focus))) focusHidden = true;
            ShowWindow(s, active ? SW_SHOW : SW_HIDE);
        }
        if (!focusHidden) return;
        HWND first = shown ? GetNextDlgTabItem(shown, nullptr, FALSE) : nullptr;
        ::SetFocus(first && first != shown && IsChild(shown, first) ? first : hwnd);
    }
    void Update(Prop p) override {
        if (p == Prop::ActivePage) Layout();
    }
    LRESULT OnNotify(NMHDR* nm) override {
        if (nm->code == TCN_SELCHANGE) {
            auto sheets = pages.Pages();
            size_t i = static_cast<size_t>(SendMessageW(hwnd, TCM_GETCURSEL, 0, 0));
            if (i < sheets.size()) User([this, s = sheets[i]] { pages.SetActivePage(s); });
        }
        return 0;
    }
};

class FormPeer : public ContainerPeer {
public:
    explicit FormPeer(Form& f) : ContainerPeer(f), form(f) {
        DWORD style = WS_CLIPCHILDREN;
        DWORD ex = WS_EX_CONTROLPARENT;
        if (f.borderStyle == BorderStyle::None) {
            style |= WS_POPUP;
        } else {
            style |= WS_CAPTION;
            if (f.borderIcons.systemMenu) style |= WS_SYSMENU;
            if (f.borderIcons.minimize) style |= WS_MINIMIZEBOX;
            if (f.borderIcons.maximize) style |= WS_MAXIMIZEBOX;
            if (f.borderStyle == BorderStyle::Sizeable) style |= WS_THICKFRAME;
            if (f.borderStyle == BorderStyle::Dialog) ex |= WS_EX_DLGMODALFRAME;
            if (f.borderStyle == BorderStyle::ToolWindow) ex |= WS_EX_TOOLWINDOW;
        }
        if (f.stayOnTop) ex |= WS_EX_TOPMOST;
        RECT rc{0, 0, f.ClientWidth(), f.ClientHeight()};
        AdjustWindowRectEx(&rc, style, FALSE, ex);
        int w = rc.right - rc.left, hgt = rc.bottom - rc.top;
        int x = CW_USEDEFAULT, y = CW_USEDEFAULT;
        if (f.centered) {
            x = (GetSystemMetrics(SM_CXSCREEN) - w) / 2;
            y = (GetSystemMetrics(SM_CYSCREEN) - hgt) / 2;
        }
        if (f.placed) {
            x = f.GetBounds().left;
            y = f.GetBounds().top;
        }
        hwnd = CreateWindowExW(ex, kContainerClass, Wide(f.Caption()).c_str(), style, x, y, w, hgt, nullptr, nullptr,
                               GetModuleHandleW(nullptr), nullptr);
        SetWindowLongPtrW(hwnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(this));
        gPeerWindows.insert(hwnd);
        ReportPlace();
        SendMessageW(hwnd, WM_SETFONT, reinterpret_cast<WPARAM>(FontFor(f.GetFont())), FALSE);
        HICON icon = LoadIconW(GetModuleHandleW(nullptr), MAKEINTRESOURCEW(1));
        if (icon) SendMessageW(hwnd, WM_SETICON, ICON_BIG, reinterpret_cast<LPARAM>(icon));
        tooltip = CreateWindowExW(WS_EX_TOPMOST, TOOLTIPS_CLASSW, nullptr, WS_POPUP | TTS_ALWAYSTIP, 0, 0, 0, 0, hwnd,
                                  nullptr, GetModuleHandleW(nullptr), nullptr);
        SendMessageW(tooltip, TTM_SETMAXTIPWIDTH, 0, 400);
        gTooltips.push_back(tooltip);
        if (gApp) SendMessageW(tooltip, TTM_SETDELAYTIME, TTDT_INITIAL, gApp->HintPause());
    }
    ~FormPeer() override {
        for (auto it = gTooltips.begin(); it != gTooltips.end(); ++it)
            if (*it == tooltip) { gTooltips.erase(it); break; }
    }
    Form& form;

    void Changed(Prop prop) override {
        switch (prop) {
            case Prop::Bounds: {
                RECT rc{0, 0, form.ClientWidth(), form.ClientHeight()};
                AdjustWindowRectEx(&rc, static_cast<DWORD>(GetWindowLongPtrW(hwnd, GWL_STYLE)), FALSE,
                                   static_cast<DWORD>(GetWindowLongPtrW(hwnd, GWL_EXSTYLE)));
                SetWindowPos(hwnd, nullptr, form.GetBounds().left, form.GetBounds().top, rc.right - rc.left,
                             rc.bottom - rc.top, (form.placed ? 0 : SWP_NOMOVE) | SWP_NOZORDER | SWP_NOACTIVATE);
                break;
            }
            case Prop::Visible:
                ShowWindow(hwnd, form.Visible() ? SW_SHOW : SW_HIDE);
                break;
            case Prop::Cursor: {
                // At once: a run holds the thread, so no WM_SETCURSOR comes meanwhile.
                POINT pt;
                GetCursorPos(&pt);
                HWND under = WindowFromPoint(pt);
                if (under && (under == hwnd || IsChild(hwnd, under))) {
                    LPCWSTR id = CursorId(form.GetCursor());
                    SetCursor(LoadCursorW(nullptr, id ? id : IDC_ARROW));
                }
                break;
            }
            case Prop::Focus:
                SetForegroundWindow(hwnd);
                SetActiveWindow(hwnd);
                FocusActiveControl();
                break;
            default: WinPeer::Changed(prop);
        }
    }

    // The window's place and the thickness of its frame and caption.
    void ReportPlace() {
        RECT wr;
        GetWindowRect(hwnd, &wr);
        POINT origin{0, 0};
        ClientToScreen(hwnd, &origin);
        form.WindowPlaced(wr.left, wr.top, origin.x - wr.left, origin.y - wr.top);
    }

    // The control that had the focus when the form went inactive; controls
    // that do not report their focus (track bar, tab row, memo) are known
    // only here.
    void RememberFocus() {
        HWND f = GetFocus();
        if (!f || !IsChild(hwnd, f)) return;
        WinPeer* p = PeerOf(f);
        for (HWND h = f; !p && h && h != hwnd; h = GetParent(h)) p = PeerOf(h);
        if (p && &p->ctl != &form) User([p] { p->ctl.SetFocus(); });
    }

    // Back to the form's active control; when that cannot take the focus
    // (hidden with its tab, disabled by a run), to the first tab stop.
    void FocusActiveControl() {
        Control* c = form.ActiveControl();
        HWND h = c && c->GetPeer() ? static_cast<WinPeer*>(c->GetPeer())->hwnd : nullptr;
        if (!h || !IsWindowVisible(h) || !IsWindowEnabled(h)) h = GetNextDlgTabItem(hwnd, nullptr, FALSE);
        if (h && h != hwnd) ::SetFocus(h);
    }

    bool Handle(UINT msg, WPARAM wp, LPARAM lp, LRESULT& r) override {
        switch (msg) {
            case WM_CLOSE:
                User([this] { form.Close(); });
                return true;
            case WM_ACTIVATE:
                if (LOWORD(wp) == WA_INACTIVE) {
                    RememberFocus();
                    if (HWND other = reinterpret_cast<HWND>(lp); other && PeerOf(other)) form.Deactivate();
                    return false;
                }
                User([this] { form.Activate(); });
                if (HIWORD(wp)) return false;  // minimised: nothing takes the focus
                // Not DefWindowProc: it would give the focus to the form itself,
                // and Tab would start over at the first control.
                FocusActiveControl();
                r = 0;
                return true;
            case WM_SETFOCUS:
                FocusActiveControl();
                return true;
            case WM_MOVE:
                ReportPlace();
                return false;
            case WM_SIZE:
                if (form.OnResize) User(form.OnResize);
                return false;
            case WM_PAINT:
                ContainerPeer::Handle(msg, wp, lp, r);
                PaintedInForm();
                return true;
        }
        return ContainerPeer::Handle(msg, wp, lp, r);
    }
};

// A progress bar with the percentage written across it when asked, painted
// by us: the common progress control paints at once on every new position,
// which would cost a paint per block during a run.
class GaugePeer : public WinPeer {
public:
    explicit GaugePeer(Gauge& g) : WinPeer(g), gauge(g) {
        Create(L"STATIC", SS_NOTIFY, g.border ? WS_EX_STATICEDGE : 0);
        Subclass();
    }
    Gauge& gauge;
    int shownWidth = -1, shownPercent = -1;
    bool shownText = false;
    void Update(Prop p) override {
        if (p != Prop::Progress) return;
        // Only what the eye can see changes the picture.
        RECT rc;
        GetClientRect(hwnd, &rc);
        const int width = BarWidth(rc);
        if (width == shownWidth && gauge.PercentDone() == shownPercent && gauge.ShowText() == shownText) return;
        Invalidate();
    }
    int BarWidth(const RECT& rc) const {
        const long long span = static_cast<long long>(gauge.Max()) - gauge.Min();
        if (span <= 0) return 0;
        return static_cast<int>((static_cast<long long>(gauge.Progress()) - gauge.Min()) * (rc.right - rc.left) / span);
    }
    bool OnSubclassed(UINT msg, WPARAM, LPARAM, LRESULT& r) override {
        if (msg == WM_ERASEBKGND) {
            r = 1;
            return true;
        }
        if (msg != WM_PAINT) return false;
        PAINTSTRUCT ps;
        HDC dc = BeginPaint(hwnd, &ps);
        RECT rc;
        GetClientRect(hwnd, &rc);
        shownWidth = BarWidth(rc);
        shownPercent = gauge.PercentDone();
        shownText = gauge.ShowText();
        RECT done = rc, rest = rc;
        done.right = rc.left + shownWidth;
        rest.left = done.right;
        HBRUSH fore = CreateSolidBrush(ToColorRef(gauge.foreColor));
        HBRUSH back = CreateSolidBrush(ToColorRef(gauge.backColor));
        FillRect(dc, &done, fore);
        FillRect(dc, &rest, back);
        DeleteObject(fore);
        DeleteObject(back);
        if (shownText) {
            // Readable at every percentage: over the bar in the background's
            // colour, over the background in the bar's, as Windows does it.
            std::wstring text = std::to_wstring(shownPercent) + L"%";
            HGDIOBJ old = SelectObject(dc, FontFor(gauge.GetFont()));
            SetBkMode(dc, TRANSPARENT);
            for (const auto& [part, color] : {std::pair{done, gauge.backColor}, std::pair{rest, gauge.foreColor}}) {
                int saved = SaveDC(dc);
                IntersectClipRect(dc, part.left, part.top, part.right, part.bottom);
                SetTextColor(dc, ToColorRef(color));
                DrawTextW(dc, text.c_str(), -1, &rc, DT_CENTER | DT_VCENTER | DT_SINGLELINE);
                RestoreDC(dc, saved);
            }
            SelectObject(dc, old);
        }
        EndPaint(hwnd, &ps);
        return true;
    }
};

// A drop-down list of the drives.
class DriveComboBoxPeer : public WinPeer {
public:
    explicit DriveComboBoxPeer(DriveComboBox& d) : WinPeer(d), box(d) {
        const Bounds& b = d.GetBounds();
        // The height of a combo box counts its open list too.
        Create(WC_COMBOBOXW, WS_TABSTOP | WS_VSCROLL | CBS_DROPDOWNLIST);
        MoveWindow(hwnd, b.left, b.top, b.width, b.height + 200, FALSE);
        if (box.Items().empty()) box.Refresh();
        Update(Prop::Items);
    }
    DriveComboBox& box;
    void Update(Prop p) override {
        if (p != Prop::Items && p != Prop::Text) return;
        updating = true;
        if (p == Prop::Items) {
            SendMessageW(hwnd, CB_RESETCONTENT, 0, 0);
            for (const auto& item : box.Items())
                SendMessageW(hwnd, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(Wide(item).c_str()));
        }
        size_t at = box.Letters().find(box.Drive());
        SendMessageW(hwnd, CB_SETCURSEL, at == std::string::npos ? static_cast<WPARAM>(-1) : at, 0);
        updating = false;
    }
    void OnCommand(WORD code) override {
        if (code == CBN_SETFOCUS) User([this] { box.SetFocus(); });
        if (code != CBN_SELCHANGE) return;
        LRESULT at = SendMessageW(hwnd, CB_GETCURSEL, 0, 0);
        if (at >= 0) User([this, at] { box.Select(static_cast<size_t>(at)); });
    }
};

// The folders of one drive: the path to the current folder opened, every
// other folder read when it is opened.
class FolderTreePeer : public WinPeer {
public:
    explicit FolderTreePeer(FolderTree& t) : WinPeer(t), tree(t) {
        Create(WC_TREEVIEWW, WS_TABSTOP | TVS_HASBUTTONS | TVS_HASLINES | TVS_LINESATROOT | TVS_SHOWSELALWAYS,
               WS_EX_CLIENTEDGE);
        SendMessageW(hwnd, TVM_SETITEMHEIGHT, static_cast<WPARAM>(t.itemHeight), 0);
        Update(Prop::Directory);
    }
    FolderTree& tree;
    std::vector<std::string> paths;  // by item parameter

    static std::string Fold(std::string s) {
        for (char& c : s)
            if (c >= 'A' && c <= 'Z') c = static_cast<char>(c + 32);
        return s;
    }
    HTREEITEM Insert(HTREEITEM parent, const std::string& text, const std::string& path) {
        paths.push_back(path);
        std::wstring w = Wide(text);
        TVINSERTSTRUCTW ins{};
        ins.hParent = parent;
        ins.hInsertAfter = TVI_LAST;
        ins.item.mask = TVIF_TEXT | TVIF_PARAM | TVIF_CHILDREN;
        ins.item.pszText = w.data();
        ins.item.lParam = static_cast<LPARAM>(paths.size() - 1);
        ins.item.cChildren = 1;
        return reinterpret_cast<HTREEITEM>(SendMessageW(hwnd, TVM_INSERTITEMW, 0, reinterpret_cast<LPARAM>(&ins)));
    }
    std::string PathOf(HTREEITEM item) {
        TVITEMW it{};
        it.mask = TVIF_PARAM;
        it.hItem = item;
        SendMessageW(hwnd, TVM_GETITEMW, 0, reinterpret_cast<LPARAM>(&it));
        return static_cast<size_t>(it.lParam) < paths.size() ? paths[static_cast<size_t>(it.lParam)] : std::string();
    }
    // Reads the sub-folders of an item once.
    void Fill(HTREEITEM item) {
        if (SendMessageW(hwnd, TVM_GETNEXTITEM, TVGN_CHILD, reinterpret_cast<LPARAM>(item))) return;
        std::string path = PathOf(item);
        auto names = tree.SubFolders(path);
        for (const auto& name : names) Insert(item, name, (path.back() == '\\' ? path : path + "\\") + name);
        if (names.empty()) {
            TVITEMW it{};
            it.mask = TVIF_CHILDREN;
            it.hItem = item;
            it.cChildren = 0;
            SendMessageW(hwnd, TVM_SETITEMW, 0, reinterpret_cast<LPARAM>(&it));
        }
    }
    HTREEITEM Selected() {
        return reinterpret_cast<HTREEITEM>(SendMessageW(hwnd, TVM_GETNEXTITEM, TVGN_CARET, 0));
    }
    void Update(Prop p) override {
        if (p != Prop::Directory) return;
        const std::string dir = tree.Directory();
        HTREEITEM sel = Selected();
        if (sel && Fold(PathOf(sel)) == Fold(dir)) return;  // the user's own choice
        updating = true;
        SendMessageW(hwnd, TVM_DELETEITEM, 0, reinterpret_cast<LPARAM>(TVI_ROOT));
        paths.clear();
        if (!dir.empty()) {
            HTREEITEM item = Insert(TVI_ROOT, dir.substr(0, 3), dir.substr(0, 3));
            size_t from = 3;
            while (from < dir.size()) {
                size_t cut = dir.find('\\', from);
                std::string part = dir.substr(from, cut == std::string::npos ? std::string::npos : cut - from);
                Fill(item);
                SendMessageW(hwnd, TVM_EXPAND, TVE_EXPAND, reinterpret_cast<LPARAM>(item));
                HTREEITEM child = reinterpret_cast<HTREEITEM>(
                    SendMessageW(hwnd, TVM_GETNEXTITEM, TVGN_CHILD, reinterpret_cast<LPARAM>(item)));
                while (child && Fold(PathOf(child)) != Fold(dir.substr(0, cut == std::string::npos ? dir.size() : cut)))
                    child = reinterpret_cast<HTREEITEM>(
                        SendMessageW(hwnd, TVM_GETNEXTITEM, TVGN_NEXT, reinterpret_cast<LPARAM>(child)));
                if (!child) break;
                item = child;
                from = cut == std::string::npos ? dir.size() : cut + 1;
            }
            Fill(item);
            SendMessageW(hwnd, TVM_EXPAND, TVE_EXPAND, reinterpret_cast<LPARAM>(item));
            SendMessageW(hwnd, TVM_SELECTITEM, TVGN_CARET, reinterpret_cast<LPARAM>(item));
            SendMessageW(hwnd, TVM_ENSUREVISIBLE, 0, reinterpret_cast<LPARAM>(item));
        }
        updating = false;
    }
    LRESULT OnNotify(NMHDR* nm) override {
        if (nm->code == TVN_ITEMEXPANDINGW) {
            auto* tv = reinterpret_cast<NMTREEVIEWW*>(nm);
            if (tv->action == TVE_EXPAND) Fill(tv->itemNew.hItem);
        } else if (nm->code == TVN_SELCHANGEDW && !updating) {
            auto* tv = reinterpret_cast<NMTREEVIEWW*>(nm);
            std::string path = PathOf(tv->itemNew.hItem);
            User([this, path] { tree.SetDirectory(path); });
        } else if (nm->code == NM_SETFOCUS) {
            User([this] { tree.SetFocus(); });
        }
        return 0;
    }
};

class RealFactory : public PeerFactory {
public:
    std::unique_ptr<Peer> Make(Control& c) override {
        switch (c.GetKind()) {
            case Kind::Form: return std::make_unique<FormPeer>(static_cast<Form&>(c));
            case Kind::PageControl: return std::make_unique<PageControlPeer>(static_cast<PageControl&>(c));
            case Kind::TabSheet: return std::make_unique<TabSheetPeer>(static_cast<TabSheet&>(c));
            case Kind::Panel: return std::make_unique<PanelPeer>(static_cast<Panel&>(c));
            case Kind::GroupBox: return std::make_unique<GroupBoxPeer>(static_cast<GroupBox&>(c));
            case Kind::Bevel: return std::make_unique<PaintedPeer>(c);
            case Kind::Label:
                // SS_NOTIFY: a label with a hint takes the mouse, so its hint shows.
                return std::make_unique<StaticPeer>(
                    c, LabelStyle(static_cast<Label&>(c)) | SS_NOPREFIX | (c.Hint().empty() ? 0 : SS_NOTIFY));
            case Kind::Shape: return std::make_unique<PaintedPeer>(c);
            case Kind::Button: return std::make_unique<ButtonPeer>(static_cast<Button&>(c));
            case Kind::CheckBox: return std::make_unique<CheckBoxPeer>(static_cast<CheckBox&>(c));
            case Kind::Edit: return std::make_unique<EditPeer>(static_cast<Edit&>(c));
            case Kind::TrackBar: return std::make_unique<TrackBarPeer>(static_cast<TrackBar&>(c));
            case Kind::Memo: return std::make_unique<MemoPeer>(static_cast<Memo&>(c));
            case Kind::Image: return std::make_unique<ImagePeer>(static_cast<Image&>(c));
            case Kind::Gauge: return std::make_unique<GaugePeer>(static_cast<Gauge&>(c));
            case Kind::DriveComboBox: return std::make_unique<DriveComboBoxPeer>(static_cast<DriveComboBox&>(c));
            case Kind::FolderTree: return std::make_unique<FolderTreePeer>(static_cast<FolderTree&>(c));
        }
        return nullptr;
    }
};

HWND HwndOf(Control& c) {
    auto* p = dynamic_cast<WinPeer*>(c.GetPeer());
    return p ? p->hwnd : nullptr;
}

void LayoutPages(Control& c) {
    if (c.GetKind() == Kind::PageControl && c.GetPeer()) static_cast<PageControlPeer*>(c.GetPeer())->Layout();
    for (Control* child : c.Children()) LayoutPages(*child);
}

}  // namespace

void Init(platform::ApplicationState& app) {
    gApp = &app;
    INITCOMMONCONTROLSEX icc{sizeof icc, ICC_WIN95_CLASSES | ICC_TAB_CLASSES | ICC_BAR_CLASSES};
    InitCommonControlsEx(&icc);
    WNDCLASSEXW wc{};
    wc.cbSize = sizeof wc;
    wc.lpfnWndProc = &ContainerPeer::Proc;
    wc.hInstance = GetModuleHandleW(nullptr);
    wc.hCursor = LoadCursorW(nullptr, IDC_ARROW);
    wc.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
    wc.lpszClassName = kContainerClass;
    wc.hIcon = LoadIconW(GetModuleHandleW(nullptr), MAKEINTRESOURCEW(1));
    RegisterClassExW(&wc);
    app.onHintPause = [](int ms) {
        for (HWND tip : gTooltips) SendMessageW(tip, TTM_SETDELAYTIME, TTDT_INITIAL, ms);
    };
}

void Realize(Form& form) {
    RealFactory factory;
    form.AttachPeers(factory);
    LayoutPages(form);
    // Put the peers in step with state set before they existed.
    if (form.Visible()) static_cast<WinPeer*>(form.GetPeer())->Changed(Prop::Visible);
}

namespace {
bool IsOurForm(HWND h) {
    WinPeer* p = h ? PeerOf(h) : nullptr;
    return p && p->ctl.GetKind() == Kind::Form;
}

PageControl* FirstPageControl(Control& c) {
    if (c.GetKind() == Kind::PageControl) return static_cast<PageControl*>(&c);
    for (Control* child : c.Children())
        if (PageControl* p = FirstPageControl(*child)) return p;
    return nullptr;
}

// Ctrl+Tab and Ctrl+Shift+Tab turn the pages of the form's page control.
bool TurnPage(HWND root, const MSG& msg) {
    if (msg.message != WM_KEYDOWN || msg.wParam != VK_TAB || GetKeyState(VK_CONTROL) >= 0) return false;
    PageControl* pc = FirstPageControl(PeerOf(root)->ctl);
    if (!pc) return false;
    auto pages = pc->Pages();
    if (pages.empty()) return true;
    size_t i = 0;
    while (i < pages.size() && pages[i] != pc->ActivePage()) ++i;
    size_t n = pages.size();
    size_t next = GetKeyState(VK_SHIFT) < 0 ? (i + n - 1) % n : (i + 1) % n;
    pc->Perform([&] { pc->SetActivePage(pages[next]); });
    return true;
}

void Dispatch(MSG& msg) {
    HWND root = msg.hwnd ? GetAncestor(msg.hwnd, GA_ROOT) : nullptr;
    if (IsOurForm(root) && (TurnPage(root, msg) || IsDialogMessageW(root, &msg))) return;
    TranslateMessage(&msg);
    DispatchMessageW(&msg);
}
}  // namespace

int RunMessageLoop() {
    MSG msg;
    while (GetMessageW(&msg, nullptr, 0, 0) > 0) Dispatch(msg);
    return static_cast<int>(msg.wParam);
}

void ProcessMessages() {
    MSG msg;
    while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
        if (msg.message == WM_QUIT) {
            PostQuitMessage(static_cast<int>(msg.wParam));
            break;
        }
        Dispatch(msg);
    }
}

void* WindowOf(Control& control) { return HwndOf(control); }

}  // namespace zk::ui::win32
