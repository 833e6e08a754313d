// Streams and components.
#pragma once

#include "platform/win32.h"
#include "toolkit/Handles.h"
#include "toolkit/SysUtils.h"

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace tk {

enum class TSeekOrigin { soBeginning, soCurrent, soEnd };

// A sequence of bytes with a current position.
class TStream {
public:
    virtual ~TStream() = default;
    // Transfer at most `count` bytes at the position; return how many moved.
    virtual std::size_t Read(void* buffer, std::size_t count) = 0;
    virtual std::size_t Write(const void* buffer, std::size_t count) = 0;
    virtual std::int64_t Seek(std::int64_t offset, TSeekOrigin origin) = 0;

    std::int64_t Position() { return Seek(0, TSeekOrigin::soCurrent); }
    void SetPosition(std::int64_t position) { Seek(position, TSeekOrigin::soBeginning); }
    virtual std::int64_t Size();

    // Strict transfers: all bytes or "Stream read error" / "Stream write error".
    void ReadBuffer(void* buffer, std::size_t count);
    void WriteBuffer(const void* buffer, std::size_t count);
    // Copies `count` bytes from the source's position (0: all of the source from its start).
    std::int64_t CopyFrom(TStream& source, std::int64_t count);
};

// A growable stream in one global memory block; its capacity grows in steps
// rounded up to 8192 bytes.
class TMemoryStream : public TStream {
public:
    TMemoryStream() = default;
    ~TMemoryStream() override;
    TMemoryStream(const TMemoryStream&) = delete;
    TMemoryStream& operator=(const TMemoryStream&) = delete;

    std::size_t Read(void* buffer, std::size_t count) override;
    std::size_t Write(const void* buffer, std::size_t count) override;
    std::int64_t Seek(std::int64_t offset, TSeekOrigin origin) override;
    std::int64_t Size() override { return static_cast<std::int64_t>(size_); }

    void SetSize(std::size_t size);
    void Clear();
    const unsigned char* Memory() const { return memory_; }
    unsigned char* Memory() { return memory_; }
    std::size_t Capacity() const { return capacity_; }
    // The bytes between the position and the end.
    std::size_t Remaining() const { return position_ < size_ ? size_ - position_ : 0; }

    void LoadFromStream(TStream& source);
    void LoadFromFile(const std::string& fileName);
    void SaveToStream(TStream& target);
    // Writes the whole content to the file. The new content goes to a
    // temporary file beside the target, which replaces the target only once
    // it is complete: a failed write leaves the old file as it was.
    void SaveToFile(const std::string& fileName);

private:
    void SetCapacity(std::size_t capacity);

    // One block, locked for as long as the stream holds it (the lock gives memory_).
    TGlobalBlock block_;
    std::optional<TGlobalLock<unsigned char>> lock_;
    unsigned char* memory_ = nullptr;
    std::size_t size_ = 0;
    std::size_t capacity_ = 0;
    std::size_t position_ = 0;
};

// A file opened for the life of the object.
class TFileStream : public TStream {
public:
    enum Mode {
        fmCreate,                 // created anew or truncated, exclusive
        fmOpenReadShareDenyWrite, // existing file; others may read, not write
    };
    TFileStream(const std::string& fileName, Mode mode);
    TFileStream(const TFileStream&) = delete;
    TFileStream& operator=(const TFileStream&) = delete;

    std::size_t Read(void* buffer, std::size_t count) override;
    std::size_t Write(const void* buffer, std::size_t count) override;
    std::int64_t Seek(std::int64_t offset, TSeekOrigin origin) override;

private:
    TFileHandle handle_;
};

enum class TOperation { opInsert, opRemove };

// A component owns the components created with it as owner and frees them
// when it is freed; a component freed earlier leaves its owner's list.
class TComponent {
public:
    explicit TComponent(TComponent* owner);
    virtual ~TComponent();
    TComponent(const TComponent&) = delete;
    TComponent& operator=(const TComponent&) = delete;

    TComponent* Owner() const { return owner_; }
    // Runs once when the owning form has made and set up all its components,
    // before the form's OnCreate: the place for what needs the component's
    // final settings.
    virtual void Loaded() {}
    // Runs before any destructor of the object: the place for handlers that
    // still need the whole object (a form's OnDestroy). Free calls it.
    virtual void BeforeDestruction() {}
    const std::vector<TComponent*>& Components() const { return components_; }
    std::string Name;

    // The two components tell each other (Notification, opRemove) when one
    // of them goes, so that neither keeps a reference to a freed one.
    void FreeNotification(TComponent* component);
    void RemoveFreeNotification(TComponent* component);

protected:
    // Frees the owned components now; destructors of windowed components call
    // it before their own window goes.
    void DestroyComponents();
    // `component` is going (opRemove); it may be only partly there any more.
    virtual void Notification(TComponent* component, TOperation operation);

private:
    TComponent* owner_;
    std::vector<TComponent*> components_;
    std::vector<TComponent*> freeNotifies_;
};

// Frees a component the way its owner would: BeforeDestruction, then delete.
void Free(TComponent* component);

} // namespace tk
