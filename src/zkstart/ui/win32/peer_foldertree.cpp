// The folder tree.
#include "ui/win32/peer_base.h"

namespace zk::ui::win32 {

namespace {

// The folders of one drive: the path to the current folder opened, every
// other folder read when it is opened.
class FolderTreePeer : public WinPeer {
public:
    FolderTreePeer(FolderTree& t, WinPeerFactory& k) : WinPeer(t, k), tree(t) {
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

}  // namespace

std::unique_ptr<Peer> MakeFolderTreePeer(FolderTree& t, WinPeerFactory& k) {
    return std::make_unique<FolderTreePeer>(t, k);
}

}  // namespace zk::ui::win32
