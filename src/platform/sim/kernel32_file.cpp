// Files over POSIX, with Windows' dispositions, sharing and error codes.
#include "platform/sim/script.h"
#include "platform/sim/state.h"

#include <cerrno>
#include <climits>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

using namespace sim::detail;

namespace {

DWORD errorFromErrno(int error, const std::string& path) {
    switch (error) {
    case ENOENT: {
        // Windows tells a missing file from a missing folder.
        auto slash = path.find_last_of("/\\");
        if (slash != std::string::npos && slash > 0) {
            struct stat st {};
            if (::stat(path.substr(0, slash).c_str(), &st) != 0 || !S_ISDIR(st.st_mode))
                return ERROR_PATH_NOT_FOUND;
        }
        return ERROR_FILE_NOT_FOUND;
    }
    case ENOTDIR:
        return ERROR_PATH_NOT_FOUND;
    case EACCES:
    case EPERM:
    case EISDIR:
    case EROFS:
        return ERROR_ACCESS_DENIED;
    case EEXIST:
        return ERROR_FILE_EXISTS;
    case ENOSPC:
        return ERROR_DISK_FULL;
    case EMFILE:
    case ENFILE:
        return ERROR_TOO_MANY_OPEN_FILES;
    case ENOMEM:
        return ERROR_NOT_ENOUGH_MEMORY;
    case ENAMETOOLONG:
        return ERROR_INVALID_NAME;
    default:
        return ERROR_INVALID_FUNCTION;
    }
}

std::string posixPath(LPCSTR name) {
    std::string path = name ? name : "";
    for (auto& c : path)
        if (c == '\\')
            c = '/';
    return path;
}

// Another open handle of the same file forbids what this open asks for, or
// this open forbids what the others already do.
bool sharingConflict(const std::string& path, DWORD access, DWORD share) {
    for (auto& [handle, file] : state().files) {
        if (file.path != path)
            continue;
        if ((access & GENERIC_READ) && !(file.share & FILE_SHARE_READ))
            return true;
        if ((access & GENERIC_WRITE) && !(file.share & FILE_SHARE_WRITE))
            return true;
        if ((file.access & GENERIC_READ) && !(share & FILE_SHARE_READ))
            return true;
        if ((file.access & GENERIC_WRITE) && !(share & FILE_SHARE_WRITE))
            return true;
    }
    return false;
}

FileObject* findFile(HANDLE handle) {
    auto it = state().files.find(key(handle));
    return it == state().files.end() ? nullptr : &it->second;
}

} // namespace

HANDLE CreateFileA(LPCSTR fileName, DWORD desiredAccess, DWORD shareMode, LPSECURITY_ATTRIBUTES,
                   DWORD creationDisposition, DWORD, HANDLE) {
    auto guard = lock();
    std::string path = posixPath(fileName);
    if (path.empty()) {
        SetLastError(ERROR_PATH_NOT_FOUND);
        return INVALID_HANDLE_VALUE;
    }
    struct stat st {};
    bool exists = ::stat(path.c_str(), &st) == 0;
    if (exists && S_ISDIR(st.st_mode)) {
        SetLastError(ERROR_ACCESS_DENIED);
        return INVALID_HANDLE_VALUE;
    }
    if (exists && sharingConflict(path, desiredAccess, shareMode)) {
        SetLastError(ERROR_SHARING_VIOLATION);
        return INVALID_HANDLE_VALUE;
    }
    int flags = O_CLOEXEC;
    bool read = desiredAccess & GENERIC_READ;
    bool write = desiredAccess & GENERIC_WRITE;
    flags |= read && write ? O_RDWR : write ? O_WRONLY : O_RDONLY;
    switch (creationDisposition) {
    case CREATE_NEW:
        flags |= O_CREAT | O_EXCL;
        break;
    case CREATE_ALWAYS:
        flags |= O_CREAT | O_TRUNC;
        break;
    case OPEN_ALWAYS:
        flags |= O_CREAT;
        break;
    case TRUNCATE_EXISTING:
        flags |= O_TRUNC;
        break;
    case OPEN_EXISTING:
        break;
    default:
        SetLastError(ERROR_INVALID_PARAMETER);
        return INVALID_HANDLE_VALUE;
    }
    int fd = ::open(path.c_str(), flags, 0644);
    if (fd < 0) {
        SetLastError(errorFromErrno(errno, path));
        return INVALID_HANDLE_VALUE;
    }
    auto handle = newHandle();
    state().files.emplace(handle, FileObject{fd, path, desiredAccess, shareMode});
    SetLastError(
        exists && (creationDisposition == CREATE_ALWAYS || creationDisposition == OPEN_ALWAYS)
            ? ERROR_ALREADY_EXISTS
            : NO_ERROR);
    return toHandle<HANDLE>(handle);
}

BOOL ReadFile(HANDLE handle, LPVOID buffer, DWORD bytesToRead, LPDWORD bytesRead, LPOVERLAPPED) {
    auto guard = lock();
    if (bytesRead)
        *bytesRead = 0;
    auto* file = findFile(handle);
    if (!file || !(file->access & GENERIC_READ)) {
        SetLastError(file ? ERROR_ACCESS_DENIED : ERROR_INVALID_HANDLE);
        return FALSE;
    }
    DWORD total = 0;
    auto* out = static_cast<char*>(buffer);
    while (total < bytesToRead) {
        ssize_t n = ::read(file->fd, out + total, bytesToRead - total);
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0) {
            SetLastError(errorFromErrno(errno, file->path));
            return FALSE;
        }
        if (n == 0)
            break;
        total += static_cast<DWORD>(n);
    }
    if (bytesRead)
        *bytesRead = total;
    return TRUE;
}

BOOL WriteFile(HANDLE handle, LPCVOID buffer, DWORD bytesToWrite, LPDWORD bytesWritten,
               LPOVERLAPPED) {
    auto guard = lock();
    if (bytesWritten)
        *bytesWritten = 0;
    auto* file = findFile(handle);
    if (!file || !(file->access & GENERIC_WRITE)) {
        SetLastError(file ? ERROR_ACCESS_DENIED : ERROR_INVALID_HANDLE);
        return FALSE;
    }
    if (fileWriteFails(file->path)) {
        SetLastError(ERROR_DISK_FULL);
        return FALSE;
    }
    DWORD total = 0;
    auto* in = static_cast<const char*>(buffer);
    while (total < bytesToWrite) {
        ssize_t n = ::write(file->fd, in + total, bytesToWrite - total);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0) {
            if (bytesWritten)
                *bytesWritten = total;
            SetLastError(errorFromErrno(n < 0 ? errno : ENOSPC, file->path));
            return FALSE;
        }
        total += static_cast<DWORD>(n);
    }
    if (bytesWritten)
        *bytesWritten = total;
    return TRUE;
}

DWORD GetFileSize(HANDLE handle, LPDWORD fileSizeHigh) {
    auto guard = lock();
    auto* file = findFile(handle);
    struct stat st {};
    if (!file || ::fstat(file->fd, &st) != 0) {
        SetLastError(ERROR_INVALID_HANDLE);
        return INVALID_FILE_SIZE;
    }
    auto size = static_cast<std::uint64_t>(st.st_size);
    if (fileSizeHigh)
        *fileSizeHigh = static_cast<DWORD>(size >> 32);
    SetLastError(NO_ERROR);
    return static_cast<DWORD>(size);
}

DWORD SetFilePointer(HANDLE handle, LONG distance, LONG* distanceHigh, DWORD moveMethod) {
    auto guard = lock();
    auto* file = findFile(handle);
    if (!file) {
        SetLastError(ERROR_INVALID_HANDLE);
        return INVALID_SET_FILE_POINTER;
    }
    off_t offset = distanceHigh
                       ? static_cast<off_t>(
                             (static_cast<std::uint64_t>(static_cast<DWORD>(*distanceHigh)) << 32) |
                             static_cast<DWORD>(distance))
                       : distance;
    int whence = moveMethod == FILE_BEGIN     ? SEEK_SET
                 : moveMethod == FILE_CURRENT ? SEEK_CUR
                                              : SEEK_END;
    off_t result = ::lseek(file->fd, offset, whence);
    if (result < 0) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return INVALID_SET_FILE_POINTER;
    }
    if (distanceHigh)
        *distanceHigh = static_cast<LONG>(static_cast<std::uint64_t>(result) >> 32);
    SetLastError(NO_ERROR);
    return static_cast<DWORD>(result);
}

BOOL CloseHandle(HANDLE object) {
    auto guard = lock();
    if (closeEvent(object) || closeMutex(object))
        return TRUE;
    auto* file = findFile(object);
    if (!file) {
        SetLastError(ERROR_INVALID_HANDLE);
        return FALSE;
    }
    ::close(file->fd);
    state().files.erase(key(object));
    return TRUE;
}

BOOL DeleteFileA(LPCSTR fileName) {
    auto guard = lock();
    std::string path = posixPath(fileName);
    for (auto& [handle, file] : state().files)
        if (file.path == path && !(file.share & FILE_SHARE_DELETE)) {
            SetLastError(ERROR_SHARING_VIOLATION);
            return FALSE;
        }
    struct stat st {};
    if (::stat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode)) {
        SetLastError(ERROR_ACCESS_DENIED);
        return FALSE;
    }
    if (::unlink(path.c_str()) != 0) {
        SetLastError(errorFromErrno(errno, path));
        return FALSE;
    }
    return TRUE;
}

BOOL MoveFileExA(LPCSTR existingFileName, LPCSTR newFileName, DWORD flags) {
    auto guard = lock();
    std::string from = posixPath(existingFileName);
    std::string to = posixPath(newFileName);
    struct stat st {};
    if (::stat(to.c_str(), &st) == 0) {
        if (!(flags & MOVEFILE_REPLACE_EXISTING)) {
            SetLastError(ERROR_ALREADY_EXISTS);
            return FALSE;
        }
        if (S_ISDIR(st.st_mode)) {
            SetLastError(ERROR_ACCESS_DENIED);
            return FALSE;
        }
        for (auto& [handle, file] : state().files)
            if (file.path == to && !(file.share & FILE_SHARE_DELETE)) {
                SetLastError(ERROR_SHARING_VIOLATION);
                return FALSE;
            }
    }
    if (::rename(from.c_str(), to.c_str()) != 0) {
        SetLastError(errorFromErrno(errno, to));
        return FALSE;
    }
    return TRUE;
}

DWORD GetFileAttributesA(LPCSTR fileName) {
    std::string path = posixPath(fileName);
    struct stat st {};
    if (path.empty() || ::stat(path.c_str(), &st) != 0) {
        SetLastError(errorFromErrno(path.empty() ? ENOENT : errno, path));
        return INVALID_FILE_ATTRIBUTES;
    }
    DWORD attributes = S_ISDIR(st.st_mode) ? FILE_ATTRIBUTE_DIRECTORY : FILE_ATTRIBUTE_NORMAL;
    if (!(st.st_mode & S_IWUSR))
        attributes |= FILE_ATTRIBUTE_READONLY;
    return attributes;
}

DWORD GetFullPathNameA(LPCSTR fileName, DWORD bufferLength, LPSTR buffer, LPSTR* filePart) {
    std::string path = fileName ? fileName : "";
    if (path.empty()) {
        SetLastError(ERROR_INVALID_NAME);
        return 0;
    }
    if (path[0] != '/' && path[0] != '\\') {
        char cwd[PATH_MAX] = {};
        if (!::getcwd(cwd, sizeof cwd)) {
            SetLastError(ERROR_PATH_NOT_FOUND);
            return 0;
        }
        path = std::string(cwd) + "/" + path;
    }
    if (path.size() + 1 > bufferLength)
        return static_cast<DWORD>(path.size() + 1);
    std::memcpy(buffer, path.c_str(), path.size() + 1);
    if (filePart) {
        auto slash = path.find_last_of("/\\");
        *filePart =
            slash == std::string::npos || slash + 1 == path.size() ? nullptr : buffer + slash + 1;
    }
    return static_cast<DWORD>(path.size());
}
