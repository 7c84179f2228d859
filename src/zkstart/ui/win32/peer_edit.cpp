// Edit fields of one line, and memos of many.
#include "ui/win32/peer_base.h"

namespace zk::ui::win32 {

namespace {

class EditPeer : public WinPeer {
public:
    EditPeer(Edit& e, WinPeerFactory& k) : WinPeer(e, k), edit(e) {
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
    MemoPeer(Memo& m, WinPeerFactory& k) : WinPeer(m, k), memo(m) {
        Create(L"EDIT",
               ES_MULTILINE | ES_AUTOVSCROLL | (m.verticalScrollBar ? WS_VSCROLL : 0) | (m.readOnly ? ES_READONLY : 0) |
                   (m.centered ? ES_CENTER : 0) | (m.tabStop ? WS_TABSTOP : 0),
               WS_EX_CLIENTEDGE);
        Update(Prop::Lines);
    }
    Memo& memo;
    void Update(Prop p) override {
        if (p != Prop::Lines) return;
        // Joined by position, so leading empty lines stay in place.
        const auto& lines = memo.Lines();
        std::string all;
        for (size_t i = 0; i < lines.size(); ++i) all += (i ? "\r\n" : "") + lines[i];
        updating = true;
        SetWindowTextW(hwnd, Wide(all).c_str());
        updating = false;
    }
};

}  // namespace

std::unique_ptr<Peer> MakeEditPeer(Edit& e, WinPeerFactory& k) { return std::make_unique<EditPeer>(e, k); }
std::unique_ptr<Peer> MakeMemoPeer(Memo& m, WinPeerFactory& k) { return std::make_unique<MemoPeer>(m, k); }

}  // namespace zk::ui::win32
