// A file stream with a read-ahead and a write-behind buffer over an
// unbuffered one, so that callers working in small blocks do not pay one
// system call per block. Errors of buffered writes surface at the next write
// that flushes, or at Size, Seek, Truncate or Close.
#pragma once
#include <algorithm>
#include <cstring>
#include <memory>
#include <vector>

#include "platform/filesystem.h"

namespace zk::platform {

class BufferedFile : public File {
public:
    static constexpr size_t kBufferSize = 128 * 1024;  // what cp uses too

    explicit BufferedFile(std::unique_ptr<File> inner) : inner_(std::move(inner)) {
        innerPos_ = inner_->Position();
        pos_ = innerPos_ < 0 ? 0 : innerPos_;
    }
    ~BufferedFile() override { Close(); }

    int64_t Read(void* buffer, size_t count) override {
        if (!Flush()) return -1;
        char* out = static_cast<char*>(buffer);
        size_t done = 0;
        while (done < count) {
            if (pos_ >= rstart_ && pos_ < rstart_ + static_cast<int64_t>(rlen_)) {
                size_t at = static_cast<size_t>(pos_ - rstart_);
                size_t n = std::min(count - done, rlen_ - at);
                std::memcpy(out + done, rbuf_.data() + at, n);
                done += n;
                pos_ += static_cast<int64_t>(n);
                continue;
            }
            if (!MoveInner(pos_)) return done ? static_cast<int64_t>(done) : -1;
            if (count - done >= kBufferSize) {
                // Large reads go straight through.
                int64_t n = inner_->Read(out + done, count - done);
                if (n < 0) return done ? static_cast<int64_t>(done) : -1;
                innerPos_ += n;
                pos_ += n;
                done += static_cast<size_t>(n);
                break;
            }
            rbuf_.resize(kBufferSize);
            int64_t n = inner_->Read(rbuf_.data(), kBufferSize);
            if (n < 0) return done ? static_cast<int64_t>(done) : -1;
            rstart_ = innerPos_;
            rlen_ = static_cast<size_t>(n);
            innerPos_ += n;
            if (n == 0) break;
        }
        return static_cast<int64_t>(done);
    }

    int64_t Write(const void* buffer, size_t count) override {
        rlen_ = 0;
        if (wlen_ && pos_ != wstart_ + static_cast<int64_t>(wlen_) && !Flush()) return -1;
        if (wlen_ + count > kBufferSize && !Flush()) return -1;
        if (count >= kBufferSize) {
            if (!MoveInner(pos_)) return -1;
            int64_t n = inner_->Write(buffer, count);
            if (n > 0) {
                innerPos_ += n;
                pos_ += n;
            }
            return n;
        }
        if (wlen_ == 0) {
            wstart_ = pos_;
            wbuf_.resize(kBufferSize);
        }
        std::memcpy(wbuf_.data() + wlen_, buffer, count);
        wlen_ += count;
        pos_ += static_cast<int64_t>(count);
        return static_cast<int64_t>(count);
    }

    int64_t Seek(int64_t offset, SeekFrom from) override {
        if (!Flush()) return -1;
        int64_t base = from == SeekFrom::Begin ? 0 : from == SeekFrom::Current ? pos_ : inner_->Size();
        if (base < 0 || base + offset < 0) return -1;
        pos_ = base + offset;
        return pos_;
    }
    int64_t Position() override { return pos_; }
    int64_t Size() override { return Flush() ? inner_->Size() : -1; }
    bool Truncate() override {
        rlen_ = 0;
        return Flush() && MoveInner(pos_) && inner_->Truncate();
    }
    bool RemoveHeld() override {
        if (closed_) return false;
        closed_ = true;
        bool flushed = Flush();
        return inner_->RemoveHeld() && flushed;
    }
    bool Close() override {
        if (closed_) return false;
        closed_ = true;
        bool flushed = Flush();
        bool closed = inner_->Close();
        return flushed && closed;
    }

private:
    bool MoveInner(int64_t to) {
        if (innerPos_ == to) return true;
        innerPos_ = inner_->Seek(to, SeekFrom::Begin);
        return innerPos_ == to;
    }
    bool Flush() {
        if (wlen_ == 0) return true;
        size_t n = wlen_;
        wlen_ = 0;
        if (!MoveInner(wstart_)) return false;
        int64_t put = inner_->Write(wbuf_.data(), n);
        if (put > 0) innerPos_ += put;
        return put == static_cast<int64_t>(n);
    }

    std::unique_ptr<File> inner_;
    int64_t pos_ = 0;       // where the caller stands
    int64_t innerPos_ = 0;  // where the inner file stands
    std::vector<char> rbuf_;
    int64_t rstart_ = 0;
    size_t rlen_ = 0;
    std::vector<char> wbuf_;
    int64_t wstart_ = 0;
    size_t wlen_ = 0;
    bool closed_ = false;
};

}  // namespace zk::platform
