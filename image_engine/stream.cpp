#include <algorithm>
#include <cerrno>
#include <cstring>
#include <sys/stat.h>
#include <unistd.h>

#include "engine.h"

namespace vantor {

Stream Stream::OverFile(int fd)
{
    Stream s;
    s.kind_ = Kind::File;
    s.fd_ = fd;
    off_t at = lseek(fd, 0, SEEK_CUR);
    s.pos_ = at < 0 ? 0 : uint64_t(at);
    return s;
}

Stream Stream::OverMemory(uint8_t* base, size_t length)
{
    Stream s;
    s.kind_ = Kind::Memory;
    s.base_ = base;
    s.length_ = base ? length : 0;
    return s;
}

Stream Stream::OverVector(std::vector<uint8_t>* bytes)
{
    Stream s;
    s.kind_ = Kind::Vector;
    s.vector_ = bytes;
    return s;
}

bool Stream::Seek(uint64_t position)
{
    if (kind_ == Kind::File) {
        if (position > uint64_t(INT64_MAX) || lseek(fd_, off_t(position), SEEK_SET) < 0)
            return false;
    } else if (kind_ == Kind::Memory && position > length_) {
        return false;
    }
    pos_ = position;
    return true;
}

size_t Stream::Read(void* dst, size_t n)
{
    auto* out = static_cast<uint8_t*>(dst);
    size_t done = 0;
    switch (kind_) {
    case Kind::File:
        while (done < n) {
            ssize_t got = ::read(fd_, out + done, n - done);
            if (got < 0 && errno == EINTR)
                continue;
            if (got <= 0)
                break;
            done += size_t(got);
        }
        break;
    case Kind::Memory:
        if (pos_ < length_) {
            done = std::min<uint64_t>(n, length_ - pos_);
            std::memcpy(out, base_ + pos_, done);
        }
        break;
    case Kind::Vector:
        if (pos_ < vector_->size()) {
            done = std::min<uint64_t>(n, vector_->size() - pos_);
            std::memcpy(out, vector_->data() + pos_, done);
        }
        break;
    }
    pos_ += done;
    return done;
}

bool Stream::Write(const void* src, size_t n)
{
    const auto* in = static_cast<const uint8_t*>(src);
    switch (kind_) {
    case Kind::File: {
        size_t done = 0;
        while (done < n) {
            ssize_t put = ::write(fd_, in + done, n - done);
            if (put < 0 && errno == EINTR)
                continue;
            if (put <= 0)
                return false;
            done += size_t(put);
            pos_ += size_t(put);
        }
        return true;
    }
    case Kind::Memory:
        if (pos_ > length_ || n > length_ - pos_)
            return false;
        std::memcpy(base_ + pos_, in, n);
        pos_ += n;
        extent_ = std::max<size_t>(extent_, pos_);
        return true;
    case Kind::Vector:
        if (pos_ + n > vector_->size())
            vector_->resize(pos_ + n);
        std::memcpy(vector_->data() + pos_, in, n);
        pos_ += n;
        return true;
    }
    return false;
}

uint64_t Stream::Length()
{
    switch (kind_) {
    case Kind::File: {
        struct stat st;
        return fstat(fd_, &st) == 0 ? uint64_t(st.st_size) : 0;
    }
    case Kind::Memory: return length_;
    case Kind::Vector: return vector_->size();
    }
    return 0;
}

uint64_t Stream::Size()
{
    return kind_ == Kind::Memory ? extent_ : Length();
}

bool Stream::Truncate(uint64_t length)
{
    if (kind_ == Kind::File)
        return ftruncate(fd_, off_t(length)) == 0;
    if (kind_ == Kind::Vector)
        vector_->resize(length);
    else
        extent_ = std::min<size_t>(extent_, length);
    return true;
}

uint8_t* ScratchPool::Get(size_t bytes)
{
    if (bytes > kMaxBlock)
        return nullptr;
    for (int i = 0; i < kSlots; ++i) {
        if (used_[i])
            continue;
        try {
            blocks_[i].assign(std::max<size_t>(bytes, 1), 0);
        } catch (const std::bad_alloc&) {
            return nullptr;
        }
        used_[i] = true;
        return blocks_[i].data();
    }
    return nullptr;
}

void ScratchPool::Release(uint8_t* block)
{
    for (int i = 0; i < kSlots; ++i) {
        if (used_[i] && blocks_[i].data() == block) {
            used_[i] = false;
            std::vector<uint8_t>().swap(blocks_[i]);
            return;
        }
    }
}

void ScratchPool::ReleaseAll()
{
    for (int i = 0; i < kSlots; ++i) {
        used_[i] = false;
        std::vector<uint8_t>().swap(blocks_[i]);
    }
}

int ScratchPool::InUse() const
{
    return int(std::count(std::begin(used_), std::end(used_), true));
}

ScratchPool& Scratch()
{
    static ScratchPool pool;
    return pool;
}

}   // namespace vantor
