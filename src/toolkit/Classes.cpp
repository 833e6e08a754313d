#include "toolkit/Classes.h"

#include <algorithm>
#include <cstring>
#include <limits>

namespace tk {

namespace {

constexpr std::size_t memoryDelta = 8192;
constexpr DWORD maxTransfer = 1u << 30; // one ReadFile/WriteFile call moves at most this

std::size_t roundUp(std::size_t value) {
    return (value + memoryDelta - 1) & ~(memoryDelta - 1);
}

} // namespace

// ---------------------------------------------------------------- TStream

std::int64_t TStream::Size() {
    std::int64_t position = Seek(0, TSeekOrigin::soCurrent);
    std::int64_t size = Seek(0, TSeekOrigin::soEnd);
    Seek(position, TSeekOrigin::soBeginning);
    return size;
}

void TStream::ReadBuffer(void* buffer, std::size_t count) {
    if (count != 0 && Read(buffer, count) != count)
        throw EReadError("Stream read error");
}

void TStream::WriteBuffer(const void* buffer, std::size_t count) {
    if (count != 0 && Write(buffer, count) != count)
        throw EWriteError("Stream write error");
}

std::int64_t TStream::CopyFrom(TStream& source, std::int64_t count) {
    if (count == 0) {
        source.SetPosition(0);
        count = source.Size();
    }
    std::vector<unsigned char> buffer(
        static_cast<std::size_t>(std::min<std::int64_t>(count, std::int64_t{1} << 20)));
    std::int64_t left = count;
    while (left > 0) {
        auto n = static_cast<std::size_t>(std::min<std::int64_t>(left, std::ssize(buffer)));
        source.ReadBuffer(buffer.data(), n);
        WriteBuffer(buffer.data(), n);
        left -= static_cast<std::int64_t>(n);
    }
    return count;
}

// ---------------------------------------------------------- TMemoryStream

TMemoryStream::~TMemoryStream() {
    SetCapacity(0);
}

void TMemoryStream::SetCapacity(std::size_t capacity) {
    if (capacity == capacity_)
        return;
    if (capacity == 0) {
        lock_.reset();
        block_.Reset();
        memory_ = nullptr;
        capacity_ = 0;
        return;
    }
    TGlobalBlock grown;
    if (block_) {
        lock_.reset();
        grown.Reset(GlobalReAlloc(block_.Get(), capacity, GMEM_MOVEABLE));
        if (!grown) {
            lock_.emplace(block_.Get()); // the old block stays
            memory_ = lock_->Get();
            throw EStreamError("Out of memory while expanding memory stream");
        }
        block_.Detach(); // the grown block replaces it (it may be the same handle)
    } else {
        grown.Reset(GlobalAlloc(GMEM_MOVEABLE, capacity));
        if (!grown)
            throw EStreamError("Out of memory while expanding memory stream");
    }
    lock_.emplace(grown.Get());
    if (!*lock_) {
        lock_.reset();
        memory_ = nullptr;
        capacity_ = 0;
        size_ = position_ = 0;
        throw EStreamError("Out of memory while expanding memory stream"); // the block goes
    }
    block_ = std::move(grown);
    memory_ = lock_->Get();
    capacity_ = capacity;
}

void TMemoryStream::SetSize(std::size_t size) {
    if (size > capacity_)
        SetCapacity(roundUp(size));
    size_ = size;
    if (position_ > size_)
        position_ = size_;
}

void TMemoryStream::Clear() {
    SetCapacity(0);
    size_ = position_ = 0;
}

std::size_t TMemoryStream::Read(void* buffer, std::size_t count) {
    std::size_t n = std::min(count, Remaining());
    if (n)
        std::memcpy(buffer, memory_ + position_, n);
    position_ += n;
    return n;
}

std::size_t TMemoryStream::Write(const void* buffer, std::size_t count) {
    if (count == 0)
        return 0;
    if (count > std::numeric_limits<std::size_t>::max() - position_)
        throw EStreamError("Out of memory while expanding memory stream");
    std::size_t end = position_ + count;
    if (end > capacity_) {
        // Grow by at least half again, so that many small writes stay cheap.
        std::size_t wanted = std::max(end, capacity_ + capacity_ / 2);
        SetCapacity(roundUp(wanted));
    }
    std::memcpy(memory_ + position_, buffer, count);
    position_ = end;
    size_ = std::max(size_, end);
    return count;
}

std::int64_t TMemoryStream::Seek(std::int64_t offset, TSeekOrigin origin) {
    std::int64_t base = origin == TSeekOrigin::soBeginning ? 0
                        : origin == TSeekOrigin::soCurrent ? static_cast<std::int64_t>(position_)
                                                           : static_cast<std::int64_t>(size_);
    std::int64_t target = base + offset;
    position_ = target < 0 ? 0 : static_cast<std::size_t>(target);
    return static_cast<std::int64_t>(position_);
}

void TMemoryStream::LoadFromStream(TStream& source) {
    source.SetPosition(0);
    auto count = source.Size();
    SetSize(static_cast<std::size_t>(count));
    if (count)
        source.ReadBuffer(memory_, static_cast<std::size_t>(count));
    position_ = 0;
}

void TMemoryStream::LoadFromFile(const std::string& fileName) {
    TFileStream file(fileName, TFileStream::fmOpenReadShareDenyWrite);
    LoadFromStream(file);
}

void TMemoryStream::SaveToStream(TStream& target) {
    target.WriteBuffer(memory_, size_);
}

void TMemoryStream::SaveToFile(const std::string& fileName) {
    std::string target = ExpandFileName(fileName);
    auto createError = [&](DWORD code) {
        return EFCreateError(
            Format("Cannot create file \"%s\". %s", target.c_str(), SysErrorMessage(code).c_str()));
    };
    // A fresh temporary name in the target's folder, so that the final rename
    // stays on one volume.
    std::string temporary;
    TFileHandle file;
    for (int attempt = 0; !file; ++attempt) {
        temporary =
            target + "." + IntToStr(GetCurrentProcessId()) + "-" + IntToStr(attempt) + ".tmp";
        file.Reset(CreateFileA(temporary.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW,
                               FILE_ATTRIBUTE_NORMAL, nullptr));
        DWORD error = GetLastError();
        if (!file &&
            ((error != ERROR_FILE_EXISTS && error != ERROR_ALREADY_EXISTS) || attempt == 99))
            throw createError(error);
    }
    bool written = true;
    for (std::size_t done = 0; done < size_ && written;) {
        DWORD chunk = static_cast<DWORD>(std::min<std::size_t>(size_ - done, maxTransfer));
        DWORD n = 0;
        written = WriteFile(file.Get(), memory_ + done, chunk, &n, nullptr) && n == chunk;
        done += n;
    }
    file.Reset(); // closed before it is renamed or deleted
    if (!written) {
        DeleteFileA(temporary.c_str());
        throw EWriteError("Stream write error");
    }
    if (!MoveFileExA(temporary.c_str(), target.c_str(), MOVEFILE_REPLACE_EXISTING)) {
        DWORD error = GetLastError();
        DeleteFileA(temporary.c_str());
        throw createError(error);
    }
}

// ------------------------------------------------------------ TFileStream

TFileStream::TFileStream(const std::string& fileName, Mode mode) {
    if (mode == fmCreate) {
        handle_.Reset(CreateFileA(fileName.c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr,
                                  CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
        if (!handle_)
            throw EFCreateError(Format("Cannot create file \"%s\". %s",
                                       ExpandFileName(fileName).c_str(),
                                       SysErrorMessage(GetLastError()).c_str()));
    } else {
        handle_.Reset(CreateFileA(fileName.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr,
                                  OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
        if (!handle_)
            throw EFOpenError(Format("Cannot open file \"%s\". %s",
                                     ExpandFileName(fileName).c_str(),
                                     SysErrorMessage(GetLastError()).c_str()));
    }
}

std::size_t TFileStream::Read(void* buffer, std::size_t count) {
    std::size_t total = 0;
    while (total < count) {
        DWORD chunk = static_cast<DWORD>(std::min<std::size_t>(count - total, maxTransfer));
        DWORD n = 0;
        if (!ReadFile(handle_.Get(), static_cast<char*>(buffer) + total, chunk, &n, nullptr) ||
            n == 0)
            break;
        total += n;
    }
    return total;
}

std::size_t TFileStream::Write(const void* buffer, std::size_t count) {
    std::size_t total = 0;
    while (total < count) {
        DWORD chunk = static_cast<DWORD>(std::min<std::size_t>(count - total, maxTransfer));
        DWORD n = 0;
        if (!WriteFile(handle_.Get(), static_cast<const char*>(buffer) + total, chunk, &n,
                       nullptr) ||
            n == 0)
            break;
        total += n;
    }
    return total;
}

std::int64_t TFileStream::Seek(std::int64_t offset, TSeekOrigin origin) {
    LONG high = static_cast<LONG>(offset >> 32);
    DWORD method = origin == TSeekOrigin::soBeginning ? FILE_BEGIN
                   : origin == TSeekOrigin::soCurrent ? FILE_CURRENT
                                                      : FILE_END;
    DWORD low =
        SetFilePointer(handle_.Get(), static_cast<LONG>(offset & 0xFFFFFFFF), &high, method);
    if (low == INVALID_SET_FILE_POINTER && GetLastError() != NO_ERROR)
        return -1;
    return (static_cast<std::int64_t>(high) << 32) | low;
}

// ------------------------------------------------------------- TComponent

TComponent::TComponent(TComponent* owner) : owner_(owner) {
    if (owner_)
        owner_->components_.push_back(this);
}

TComponent::~TComponent() {
    DestroyComponents();
    while (!freeNotifies_.empty()) {
        TComponent* other = freeNotifies_.back();
        freeNotifies_.pop_back();
        auto& theirs = other->freeNotifies_;
        theirs.erase(std::remove(theirs.begin(), theirs.end(), this), theirs.end());
        other->Notification(this, TOperation::opRemove);
    }
    if (owner_) {
        auto& siblings = owner_->components_;
        siblings.erase(std::remove(siblings.begin(), siblings.end(), this), siblings.end());
    }
}

void TComponent::FreeNotification(TComponent* component) {
    if (!component || component == this)
        return;
    if (std::find(freeNotifies_.begin(), freeNotifies_.end(), component) == freeNotifies_.end())
        freeNotifies_.push_back(component);
    auto& theirs = component->freeNotifies_;
    if (std::find(theirs.begin(), theirs.end(), this) == theirs.end())
        theirs.push_back(this);
}

void TComponent::RemoveFreeNotification(TComponent* component) {
    if (!component)
        return;
    freeNotifies_.erase(std::remove(freeNotifies_.begin(), freeNotifies_.end(), component),
                        freeNotifies_.end());
    auto& theirs = component->freeNotifies_;
    theirs.erase(std::remove(theirs.begin(), theirs.end(), this), theirs.end());
}

void TComponent::Notification(TComponent*, TOperation) {}

void TComponent::DestroyComponents() {
    // Owned components go last-created first.
    while (!components_.empty()) {
        Free(components_.back()); // its destructor removes it from the list
    }
}

void Free(TComponent* component) {
    if (!component)
        return;
    component->BeforeDestruction();
    delete component;
}

} // namespace tk
