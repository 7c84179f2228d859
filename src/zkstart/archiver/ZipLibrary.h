// ZKZIP.DLL as the archive component drives it: the library loaded on
// demand and shared by the whole process, the command record filled from the
// component's properties, and the callback the library calls while a command
// runs. The records are the library's (zkzip/zipdll.h).
#pragma once
#include <cstdint>
#include <exception>
#include <memory>
#include <string>
#include <vector>

#include "platform/dynlib.h"
#include "zkzip/zipdll.h"

namespace zk {

class TZipArchiver;

// A command record for the library with every text and array it points at;
// all of it is freed together. Zero-filled when made.
class ZipCommandBlock {
public:
    explicit ZipCommandBlock(bool oldLayout);
    bool OldLayout() const { return old_ != nullptr; }
    ZipCommand& New() { return *new_; }
    ZipCommandOld& Old() { return *old_; }
    // The record as ZkZipExec takes it.
    ZipCommand* Record() { return old_ ? reinterpret_cast<ZipCommand*>(old_.get()) : new_.get(); }
    // An owned NUL-terminated copy of the text.
    char* Copy(const std::string& text);
    std::vector<ZipFileSpec> specs;  // the new layout's file specifications
    std::vector<char*> excl;         // the exclusion list

private:
    std::unique_ptr<ZipCommand> new_;
    std::unique_ptr<ZipCommandOld> old_;
    std::vector<std::unique_ptr<char[]>> texts_;
};

class ZipLibrary {
public:
    // From now on the library's callbacks for this component are answered.
    explicit ZipLibrary(TZipArchiver& zip);
    ~ZipLibrary();
    ZipLibrary(const ZipLibrary&) = delete;
    ZipLibrary& operator=(const ZipLibrary&) = delete;

    // Loads ZKZIP.DLL from DLLDirectory, else by its plain name; reports
    // what failed. Nothing happens while a library is loaded.
    void LoadZipLibrary();
    static void UnloadZipLibrary();
    static platform::LibHandle ZipLibraryHandle();
    static ZkZipExecFn ZkZipExecEntry();
    static GetZkZipVersionFn GetZkZipVersionEntry();
    // The library's version; loads it for the call when it is not loaded. 0
    // when it cannot be loaded.
    int32_t GetZkZipVersion();

    // Writes the properties into a command for a library of that version:
    // the archive name, flags, password, suffix list, callback; from 151 the
    // temporary folder; from 160 the archive comment, the archive-attribute
    // flags and the exclusion list.
    void FillCommand(ZipCommandBlock& command, const std::string& workName, int32_t version);
    // ".gif:.png:..." from AddStoreSuffixes; "" for none.
    std::string StoredSuffixList() const;
    // Fills the new layout's file specification from one entry of FSpecArgs.
    void ParseFileSpec(ZipCommandBlock& command, const std::string& entry, ZipFileSpec& spec);
    // The whole command for FSpecArgs, its specifications and end mark
    // included; raises std::length_error when the old layout cannot hold them.
    std::unique_ptr<ZipCommandBlock> MakeCommand(const std::string& workName, int32_t version);
    // Runs the command: the number of files the library processed. An error
    // that an event handler raised inside a callback is raised again here.
    int32_t Exec(ZipCommandBlock& command);

    // The library calls this for every step of a command; the caller field
    // is the component.
    static int32_t ZK_STDCALL ZipCallback(ZipCallbackData* data);
    // An exception that an event handler raised inside a callback cancelled
    // the command; the code that ran the command raises it again here.
    void RethrowCallbackError();

private:
    int32_t Callback(ZipCallbackData& data);
    void Message(ZipCallbackData& data, const std::string& text);
    void PasswordRequest(ZipCallbackData& data, const std::string& text);
    // The library reported a failure: the user reads it in German, with its reason.
    void ShowLibraryFailure(int32_t errorCode);

    TZipArchiver& zip_;
    std::exception_ptr callbackError_;
};

}  // namespace zk
