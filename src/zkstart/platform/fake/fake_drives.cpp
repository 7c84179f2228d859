// The drives of the fake file system and the removable disks on its shelf.
#include "platform/fake/fake_files.h"

#include "platform/fake/fake_paths.h"

namespace zk::platform {

using namespace fakefs;

FakeDrive& FakeFileSystem::Drive(char letter) {
    FakeDrive& d = drives_[Upper(letter)];
    std::string root = std::string(1, Upper(letter)) + ":\\";
    if (!nodes_.count(Key(root))) Put(Key(root), root, Node{true, faDirectory, {}});
    return d;
}

void FakeFileSystem::RemoveDrive(char letter) { drives_.erase(Upper(letter)); }

FakeFileSystem::Disk& FakeFileSystem::NewDisk(const std::string& name, uint64_t size, const std::string& label) {
    Disk& d = disks_[name];
    d = Disk{};
    d.size = size;
    d.free = size;
    d.label = label;
    d.serial = 0x5A000000u + static_cast<uint32_t>(disks_.size());
    return d;
}

void FakeFileSystem::EjectDisk(char letter) {
    const char l = Upper(letter);
    FakeDrive& drive = Drive(l);
    drive.ready = false;
    auto in = inserted_.find(l);
    if (in == inserted_.end()) return;
    Disk& d = disks_[in->second];
    d.size = drive.size;
    d.free = drive.free;
    d.label = drive.label;
    d.serial = drive.serial;
    d.formatted = drive.formatted;
    d.nodes.clear();
    d.names.clear();
    const std::string prefix = Key(std::string(1, l) + ":\\").substr(0, 2);
    for (auto it = nodes_.begin(); it != nodes_.end();) {
        if (it->first.size() > 3 && it->first.compare(0, 2, prefix) == 0) {
            d.nodes[it->first.substr(2)] = it->second;
            d.names[it->first.substr(2)] = names_[it->first].substr(2);
            names_.erase(it->first);
            it = nodes_.erase(it);
        } else {
            ++it;
        }
    }
    inserted_.erase(in);
}

void FakeFileSystem::InsertDisk(char letter, const std::string& name) {
    const char l = Upper(letter);
    EjectDisk(l);
    char other = 0;  // a disk is in one drive at a time
    for (const auto& [drv, disk] : inserted_)
        if (disk == name) other = drv;
    if (other) EjectDisk(other);
    Disk& d = disks_[name];
    FakeDrive& drive = Drive(l);
    drive.type = DriveType::Removable;
    drive.ready = true;
    drive.size = d.size;
    drive.free = d.free;
    drive.label = d.label;
    drive.serial = d.serial;
    drive.formatted = d.formatted;
    const std::string prefix = Key(std::string(1, l) + ":\\").substr(0, 2);
    const std::string root(1, l);
    for (auto& [k, node] : d.nodes) {
        nodes_[prefix + k] = node;
        names_[prefix + k] = root + ":" + d.names[k];
    }
    d.nodes.clear();
    d.names.clear();
    inserted_[l] = name;
}

std::string FakeFileSystem::DiskIn(char letter) const {
    auto it = inserted_.find(Upper(letter));
    return it == inserted_.end() ? std::string() : it->second;
}

std::string FakeFileSystem::DiskFile(const std::string& disk, const std::string& pathBelowRoot) {
    for (const auto& [letter, name] : inserted_)
        if (name == disk) return Content(std::string(1, letter) + ":" + pathBelowRoot);
    auto it = disks_.find(disk);
    if (it == disks_.end()) return "<missing>";
    auto n = it->second.nodes.find(FoldPath(Collapse(pathBelowRoot)));
    return n == it->second.nodes.end() || n->second.dir ? "<missing>" : n->second.content;
}

std::string FakeFileSystem::DiskLabel(const std::string& disk) {
    for (const auto& [letter, name] : inserted_)
        if (name == disk) return drives_[letter].label;
    auto it = disks_.find(disk);
    return it == disks_.end() ? std::string() : it->second.label;
}

std::vector<std::string> FakeFileSystem::DiskFiles(const std::string& disk) {
    std::vector<std::string> out;
    for (const auto& [letter, name] : inserted_) {
        if (name != disk) continue;
        const std::string prefix = Key(std::string(1, letter) + ":\\").substr(0, 2);
        for (const auto& [k, node] : nodes_)
            if (k.size() > 3 && k.compare(0, 2, prefix) == 0 && !node.dir) out.push_back(names_[k].substr(2));
        return out;
    }
    auto it = disks_.find(disk);
    if (it != disks_.end())
        for (const auto& [k, node] : it->second.nodes)
            if (!node.dir) out.push_back(it->second.names[k]);
    return out;
}

void FakeFileSystem::WipeDisk(char letter, const std::string& label) {
    const char l = Upper(letter);
    FakeDrive& drive = Drive(l);
    const std::string prefix = Key(std::string(1, l) + ":\\").substr(0, 2);
    for (auto it = nodes_.begin(); it != nodes_.end();) {
        if (it->first.size() > 3 && it->first.compare(0, 2, prefix) == 0) {
            names_.erase(it->first);
            it = nodes_.erase(it);
        } else {
            ++it;
        }
    }
    drive.free = drive.size;
    drive.label = label;
    drive.formatted = true;
}

DriveType FakeFileSystem::DriveKind(char letter) {
    auto it = drives_.find(Upper(letter));
    return it == drives_.end() ? DriveType::NoRootDir : it->second.type;
}

std::optional<uint64_t> FakeFileSystem::DiskFree(char letter) {
    ++freeReads;
    auto it = drives_.find(Upper(letter));
    if (it == drives_.end() || !it->second.ready) return std::nullopt;
    if (!it->second.hostFolder.empty()) return HostFree(it->second.hostFolder);
    return it->second.free;
}

std::optional<uint64_t> FakeFileSystem::DiskSize(char letter) {
    auto it = drives_.find(Upper(letter));
    if (it == drives_.end() || !it->second.ready) return std::nullopt;
    if (!it->second.hostFolder.empty()) return HostSize(it->second.hostFolder);
    return it->second.size;
}

// Drives by letter only: a share has no fake drive.
std::optional<DiskSpace> FakeFileSystem::RootSpace(const std::string& root) {
    if (root.size() < 2 || root[1] != ':') return std::nullopt;
    const std::optional<uint64_t> size = DiskSize(root[0]);
    if (!size) return std::nullopt;
    return DiskSpace{DiskFree(root[0]).value_or(0), *size};
}

bool FakeFileSystem::VolumeInfo(char letter, std::string& label, uint32_t& serial) {
    auto it = drives_.find(Upper(letter));
    if (it == drives_.end() || !it->second.ready) return (lastError_ = kNotReady), false;
    if (!it->second.formatted) return (lastError_ = 31), false;
    label = it->second.label;
    serial = it->second.serial;
    return true;
}

bool FakeFileSystem::SetDriveLabel(char letter, const std::string& label) {
    auto it = drives_.find(Upper(letter));
    if (it == drives_.end() || !it->second.ready || it->second.writeProtected) return false;
    it->second.label = label;
    return true;
}

std::string FakeFileSystem::Drives() {
    std::string letters;
    for (const auto& [letter, d] : drives_) letters += letter;
    return letters;
}

unsigned FakeFileSystem::SetCriticalErrorMode(unsigned mode) {
    unsigned before = errorMode;
    errorMode = mode;
    errorModes.push_back(mode);
    return before;
}

}  // namespace zk::platform
