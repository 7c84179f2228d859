#include "zksfx/sfxrun.h"

#include <zlib.h>

#include <algorithm>

namespace zksfx {

namespace {

constexpr size_t kChunk = 64 * 1024;

std::string OneLine(std::string s) {
    std::replace(s.begin(), s.end(), '\n', '|');
    s.erase(std::remove(s.begin(), s.end(), '\r'), s.end());
    return s;
}

const char* ModeName(Overwrite m) {
    return m == Overwrite::Always ? "always" : m == Overwrite::Never ? "never" : "confirm";
}

// Length of the root of an absolute path ("C:\", "\\server\share\"); 0 for
// anything else.
size_t RootLength(const std::string& p) {
    if (p.size() >= 3 && p[1] == ':' && p[2] == '\\') return 3;
    if (p.size() >= 2 && p[0] == '\\' && p[1] == '\\') {
        size_t server = p.find('\\', 2);
        if (server == std::string::npos) return p.size();
        size_t share = p.find('\\', server + 1);
        return share == std::string::npos ? p.size() : share + 1;
    }
    return 0;
}

// Makes the folder and every missing one above it. A root is never made,
// only found: "\\server" without a share, or a drive without a disk, is no
// folder (else an archive's first folders would name the shares).
bool MakeFolders(Target& target, const std::string& path) {
    size_t at = RootLength(path);
    while (at <= path.size()) {
        size_t next = path.find('\\', at);
        if (next == std::string::npos) next = path.size();
        const std::string part = path.substr(0, next);
        if (next > at) {
            Target::Kind kind = target.Exists(part);
            if (kind == Target::Kind::File) return false;
            if (kind == Target::Kind::None && !target.MakeFolder(part)) return false;
        }
        at = next + 1;
    }
    return target.Exists(path) == Target::Kind::Folder;
}

// The DOS attribute bits worth keeping (read-only, hidden, system, archive).
uint32_t DosAttributes(const Entry& e) {
    const unsigned host = e.madeBy >> 8;
    if (host == 0 || host == 6 || host == 11 || host == 14) return e.attributes & 0x27;
    if (host == 3 && (e.attributes >> 16) != 0) return (e.attributes >> 16) & 0200 ? 0 : 1;
    return 0;
}

std::string Files(size_t n) { return std::to_string(n) + (n == 1 ? " Datei" : " Dateien"); }

}  // namespace

// ---- Unattended answers ----------------------------------------------------

bool UnattendedUi::ShowMessage(const std::string&, const std::string& text) {
    log_("message: " + OneLine(text) + " -> ok");
    return true;
}

bool UnattendedUi::AskOptions(const std::string&, std::string& folder, Overwrite& mode, bool offerMode, size_t files,
                              uint64_t bytes) {
    log_("options: " + folder + " " + ModeName(mode) + (offerMode ? " (mode offered)" : "") + ", " +
         std::to_string(files) + " files, " + std::to_string(bytes) + " bytes -> ok");
    return true;
}

OverwriteAnswer UnattendedUi::AskOverwrite(const std::string&, const std::string& path) {
    log_("overwrite: " + path + " -> no");
    return OverwriteAnswer::No;
}

bool UnattendedUi::AskCommandLine(const std::string&, std::string& commandLine) {
    log_("command line: " + commandLine + " -> run");
    return true;
}

void UnattendedUi::Error(const std::string&, const std::string& text) { log_("error: " + OneLine(text)); }

void UnattendedUi::Success(const std::string&, const std::string& text) { log_("success: " + OneLine(text)); }

// ---- Unpacking -------------------------------------------------------------

UnpackStatus Unpack(Source& src, uint64_t dataPos, const Entry& e, OutFile& out,
                    const std::function<bool(uint64_t)>& progress) {
    if (e.flags & kFlagEncrypted) return UnpackStatus::Encrypted;
    if (e.method != 0 && e.method != 8) return UnpackStatus::Unsupported;
    std::vector<uint8_t> in(kChunk), buf(kChunk);
    uLong crc = crc32(0, nullptr, 0);
    uint64_t left = e.packed, written = 0;

    z_stream z{};
    const bool deflated = e.method == 8;
    if (deflated && inflateInit2(&z, -MAX_WBITS) != Z_OK) return UnpackStatus::DataError;
    struct Closer {
        z_stream* z;
        ~Closer() {
            if (z) inflateEnd(z);
        }
    } closer{deflated ? &z : nullptr};

    // Each piece of output: counted, checked against the declared size
    // (a lying entry cannot fill the disk), summed, written.
    auto emit = [&](const uint8_t* p, size_t n) -> UnpackStatus {
        if (n > e.size - written) return UnpackStatus::DataError;
        crc = crc32(crc, p, uInt(n));
        if (n != 0 && !out.Write(p, n)) return UnpackStatus::WriteError;
        written += n;
        return progress && !progress(written) ? UnpackStatus::Cancelled : UnpackStatus::Ok;
    };

    bool streamEnd = !deflated;
    while (left > 0 || (deflated && !streamEnd)) {
        size_t n = size_t(std::min<uint64_t>(left, kChunk));
        if (n != 0 && !src.ReadAt(dataPos, in.data(), n)) return UnpackStatus::ReadError;
        dataPos += n;
        left -= n;
        if (!deflated) {
            if (UnpackStatus s = emit(in.data(), n); s != UnpackStatus::Ok) return s;
            continue;
        }
        z.next_in = in.data();
        z.avail_in = uInt(n);
        do {
            z.next_out = buf.data();
            z.avail_out = uInt(buf.size());
            int rc = inflate(&z, Z_NO_FLUSH);
            if (rc != Z_OK && rc != Z_STREAM_END && rc != Z_BUF_ERROR) return UnpackStatus::DataError;
            if (UnpackStatus s = emit(buf.data(), buf.size() - z.avail_out); s != UnpackStatus::Ok) return s;
            if (rc == Z_STREAM_END) {
                streamEnd = true;
                break;
            }
            // No progress with input left, or the input is used up before
            // the stream's end: the data is cut short.
            if (rc == Z_BUF_ERROR && (z.avail_in != 0 || left == 0)) return UnpackStatus::DataError;
        } while (z.avail_out == 0 || z.avail_in != 0);
        if (streamEnd) break;
    }
    if (written != e.size) return UnpackStatus::DataError;
    if (uint32_t(crc) != e.crc) return UnpackStatus::CrcError;
    return UnpackStatus::Ok;
}

// ---- Paths -------------------------------------------------------------

std::string JoinPath(const std::string& folder, const std::string& rel) {
    if (rel.empty()) return folder;
    if (folder.empty() || folder.back() == '\\') return folder + rel;
    return folder + "\\" + rel;
}

std::string ResolveFolder(const std::string& dir, const std::string& exeFolder) {
    std::string d = dir;
    std::replace(d.begin(), d.end(), '/', '\\');
    while (!d.empty() && d.front() == ' ') d.erase(0, 1);
    while (!d.empty() && d.back() == ' ') d.pop_back();
    std::string path;
    if (d.empty()) {
        path = exeFolder;
    } else if (RootLength(d) != 0) {
        path = d;
    } else if (d.size() >= 2 && d[1] == ':') {
        path = d.substr(0, 2) + "\\" + d.substr(2);  // "D:x" taken from the drive's root
    } else if (d[0] == '\\') {
        size_t root = RootLength(exeFolder);
        path = (root != 0 ? exeFolder.substr(0, root - 1) : std::string()) + d;
    } else {
        path = JoinPath(exeFolder, d);
    }
    // "." and ".." resolved, never above the root; no trailing "\".
    const size_t root = RootLength(path);
    std::vector<std::string> parts;
    size_t at = root;
    while (at <= path.size()) {
        size_t next = path.find('\\', at);
        if (next == std::string::npos) next = path.size();
        std::string part = path.substr(at, next - at);
        if (part == "..") {
            if (!parts.empty()) parts.pop_back();
        } else if (!part.empty() && part != ".") {
            parts.push_back(part);
        }
        at = next + 1;
    }
    std::string out = path.substr(0, root);
    for (const std::string& part : parts) out = JoinPath(out, part);
    return out;
}

std::string ExpandCommandLine(const std::string& commandLine, const std::string& folder) {
    std::string out;
    for (size_t i = 0; i < commandLine.size(); ++i) {
        if (commandLine.compare(i, 2, "><") == 0) {
            out += folder;
            ++i;
        } else {
            out += commandLine[i];
        }
    }
    return out;
}

std::string GroupedNumber(uint64_t n) {
    std::string digits = std::to_string(n), out;
    for (size_t i = 0; i < digits.size(); ++i) {
        if (i != 0 && (digits.size() - i) % 3 == 0) out += '.';
        out += digits[i];
    }
    return out;
}

// ---- The run -------------------------------------------------------------

Result Run(Source& self, const RunOptions& options, Target& target, Ui& ui, Launcher& launcher) {
    Archive archive;
    std::string archiveError, error;
    const bool haveArchive = ReadArchive(self, archive, archiveError);
    // The header lies in front of the first entry.
    uint64_t dataStart = haveArchive ? archive.dirStart : self.Size();
    std::vector<uint64_t> dataPos(archive.entries.size(), 0);
    std::vector<std::string> located(archive.entries.size());
    std::vector<std::pair<uint64_t, uint64_t>> spans;  // local header to end of data
    for (size_t i = 0; i < archive.entries.size(); ++i) {
        uint64_t header = 0;
        if (LocateData(self, archive, archive.entries[i], dataPos[i], located[i], &header)) {
            located[i].clear();
            dataStart = std::min(dataStart, header);
            spans.emplace_back(header, dataPos[i] + archive.entries[i].packed);
        }
    }
    // Entries sharing their data would unpack the same bytes over and over.
    std::sort(spans.begin(), spans.end());
    bool overlap = false;
    for (size_t i = 1; i < spans.size(); ++i) overlap = overlap || spans[i].first < spans[i - 1].second;

    Settings s;
    uint64_t headerPos = 0;
    if (!LocateHeader(self, dataStart, headerPos, s, error)) {
        ui.Error(options.fallbackCaption, "Diese Datei enthält kein selbstentpackendes Archiv (" + error + ").");
        return Result::Failed;
    }
    const std::string caption = s.caption.empty() ? options.fallbackCaption : s.caption;
    if (!haveArchive) {
        ui.Error(caption, "Das Archiv ist beschädigt: " + archiveError + ".");
        return Result::Failed;
    }
    if (overlap) {
        ui.Error(caption, "Das Archiv ist beschädigt: die Daten seiner Einträge überlappen sich.");
        return Result::Failed;
    }

    size_t fileCount = 0;
    uint64_t totalBytes = 0;
    for (const Entry& e : archive.entries) {
        if (!e.IsFolder()) {
            ++fileCount;
            totalBytes += e.size;
        }
    }

    if (!s.message.empty() && !ui.ShowMessage(caption, s.message)) return Result::Cancelled;

    std::string folder = ResolveFolder(s.defaultDir, options.exeFolder);
    Overwrite mode = s.OverwriteMode();
    if (s.Has(kAskFiles)) {
        if (!ui.AskOptions(caption, folder, mode, !s.Has(kHideOverwriteBox), fileCount, totalBytes))
            return Result::Cancelled;
        folder = ResolveFolder(folder, options.exeFolder);
    }

    if (s.CheckSize()) {
        const int64_t free = target.FreeSpace(folder);
        if (free >= 0 && uint64_t(free) < totalBytes) {
            ui.Error(caption, "Auf dem Ziellaufwerk sind nur " + GroupedNumber(uint64_t(free)) +
                                  " Bytes frei; zum Entpacken werden " + GroupedNumber(totalBytes) +
                                  " Bytes gebraucht.");
            return Result::Failed;
        }
    }
    if (!MakeFolders(target, folder)) {
        ui.Error(caption, "Der Ordner " + folder + " kann nicht angelegt werden.\n" + target.LastError());
        return Result::Failed;
    }

    std::vector<std::string> problems;
    std::vector<std::pair<std::string, const Entry*>> folders;  // stamped at the end
    size_t written = 0, kept = 0;
    uint64_t done = 0;
    bool yesToAll = false, noToAll = false;
    ui.Begin(caption, totalBytes);
    auto fail = [&](const std::string& text) {
        ui.End();
        ui.Error(caption, text);
        return Result::Failed;
    };

    for (size_t i = 0; i < archive.entries.size(); ++i) {
        const Entry& e = archive.entries[i];
        std::string rel;
        if (!SafeRelativePath(e.name, rel)) {
            problems.push_back(e.name + ": unzulässiger Name, nicht entpackt");
            continue;
        }
        const std::string path = JoinPath(folder, rel);
        if (e.IsFolder()) {
            if (!MakeFolders(target, path))
                return fail("Der Ordner " + path + " kann nicht angelegt werden.\n" + target.LastError());
            folders.emplace_back(path, &e);
            continue;
        }
        if (e.flags & kFlagEncrypted) {
            problems.push_back(rel + ": verschlüsselt, nicht entpackt");
            continue;
        }
        if (e.method != 0 && e.method != 8) {
            problems.push_back(rel + ": unbekanntes Packverfahren " + std::to_string(e.method) + ", nicht entpackt");
            continue;
        }
        if (!located[i].empty()) {
            problems.push_back(rel + ": Archiv beschädigt, nicht entpackt");
            continue;
        }
        const std::string parent = path.substr(0, path.rfind('\\'));
        if (!MakeFolders(target, parent))
            return fail("Der Ordner " + parent + " kann nicht angelegt werden.\n" + target.LastError());

        const Target::Kind kind = target.Exists(path);
        if (kind == Target::Kind::Folder) {
            problems.push_back(rel + ": ein Ordner dieses Namens ist schon da, nicht entpackt");
            continue;
        }
        if (kind == Target::Kind::File) {
            bool replace = mode == Overwrite::Always || yesToAll;
            if (mode == Overwrite::Confirm && !yesToAll && !noToAll) {
                switch (ui.AskOverwrite(caption, path)) {
                    case OverwriteAnswer::YesToAll: yesToAll = true; [[fallthrough]];
                    case OverwriteAnswer::Yes: replace = true; break;
                    case OverwriteAnswer::NoToAll: noToAll = true; break;
                    case OverwriteAnswer::No: break;
                    case OverwriteAnswer::Cancel: ui.End(); return Result::Cancelled;
                }
            }
            if (!replace) {
                ++kept;
                done += e.size;
                if (!ui.Progress(rel, done)) {
                    ui.End();
                    return Result::Cancelled;
                }
                continue;
            }
        }

        std::unique_ptr<OutFile> out = target.Create(path);
        if (!out) return fail("Die Datei " + path + " kann nicht angelegt werden.\n" + target.LastError());
        UnpackStatus status = Unpack(self, dataPos[i], e, *out, [&](uint64_t n) { return ui.Progress(rel, done + n); });
        if (status == UnpackStatus::Ok && !out->Close()) status = UnpackStatus::WriteError;
        if (status != UnpackStatus::Ok) {
            const std::string reason = status == UnpackStatus::WriteError ? target.LastError() : std::string();
            out->Discard();
            switch (status) {
                case UnpackStatus::WriteError:
                    return fail("Die Datei " + path + " kann nicht geschrieben werden.\n" + reason);
                case UnpackStatus::Cancelled: ui.End(); return Result::Cancelled;
                case UnpackStatus::CrcError: problems.push_back(rel + ": Prüfsummenfehler, nicht entpackt"); break;
                default: problems.push_back(rel + ": Daten beschädigt, nicht entpackt"); break;
            }
            done += e.size;
            continue;
        }
        target.Finish(path, e.dosTime, DosAttributes(e));
        ++written;
        done += e.size;
    }
    // Deepest first: stamping a folder must come after everything in it.
    for (auto it = folders.rbegin(); it != folders.rend(); ++it) {
        target.Finish(it->first, it->second->dosTime, DosAttributes(*it->second));
    }
    ui.End();

    if (!problems.empty()) {
        std::string text = "Nicht alles konnte entpackt werden:";
        const size_t shown = std::min<size_t>(problems.size(), 15);
        for (size_t i = 0; i < shown; ++i) text += "\n" + problems[i];
        if (problems.size() > shown) text += "\n... und " + std::to_string(problems.size() - shown) + " weitere";
        ui.Error(caption, text);
        return Result::Failed;
    }
    if (!s.Has(kNoSuccessMsg)) {
        std::string text = Files(written) + (written == 1 ? " wurde" : " wurden") + " entpackt nach\n" + folder;
        if (kept != 0) text += "\n" + Files(kept) + (kept == 1 ? " blieb" : " blieben") + " unverändert.";
        ui.Success(caption, text);
    }
    // The command line runs when the archive says so; asking lets the
    // user change it or leave it.
    if (!s.commandLine.empty() && (s.Has(kAutoRun) || s.Has(kAskCmdLine))) {
        std::string command = ExpandCommandLine(s.commandLine, folder);
        if (s.Has(kAskCmdLine) && !ui.AskCommandLine(caption, command)) return Result::Ok;
        if (command.find_first_not_of(' ') != std::string::npos && !launcher.Start(command, folder, error)) {
            ui.Error(caption, command + "\nkann nicht gestartet werden.\n" + error);
            return Result::Failed;
        }
    }
    return Result::Ok;
}

}  // namespace zksfx
