#pragma once

#include <windows.h>
#include <shtypes.h>

#include <cstdio>
#include <memory>
#include <string>

// One owner per kind of platform handle, released in its destructor. Not copyable; movable so
// that a function can hand an open handle back to its caller.
template <typename Traits> class UniqueHandle {
  public:
    using Pointer = typename Traits::Pointer;

    UniqueHandle() = default;
    explicit UniqueHandle(Pointer value) : value_(value) {}
    UniqueHandle(UniqueHandle &&other) noexcept : value_(other.Release()) {}
    UniqueHandle &operator=(UniqueHandle &&other) noexcept {
        if (this != &other)
            Reset(other.Release());
        return *this;
    }
    UniqueHandle(const UniqueHandle &) = delete;
    UniqueHandle &operator=(const UniqueHandle &) = delete;
    ~UniqueHandle() { Reset(); }

    Pointer Get() const { return value_; }
    bool IsValid() const { return value_ != Traits::Invalid(); }
    explicit operator bool() const { return IsValid(); }
    Pointer Release() {
        Pointer value = value_;
        value_ = Traits::Invalid();
        return value;
    }
    void Reset(Pointer value = Traits::Invalid()) {
        if (IsValid())
            Traits::Close(value_);
        value_ = value;
    }

  private:
    Pointer value_ = Traits::Invalid();
};

struct FileHandleTraits {
    using Pointer = HANDLE;
    static Pointer Invalid() { return INVALID_HANDLE_VALUE; }
    static void Close(Pointer handle) { CloseHandle(handle); }
};

struct FindHandleTraits {
    using Pointer = HANDLE;
    static Pointer Invalid() { return INVALID_HANDLE_VALUE; }
    static void Close(Pointer handle) { FindClose(handle); }
};

struct RegistryKeyTraits {
    using Pointer = HKEY;
    static Pointer Invalid() { return nullptr; }
    static void Close(Pointer key) { RegCloseKey(key); }
};

using UniqueFile = UniqueHandle<FileHandleTraits>;
using UniqueFind = UniqueHandle<FindHandleTraits>;
using UniqueRegistryKey = UniqueHandle<RegistryKeyTraits>;

// A shell item list handed over by the shell, such as the folder browser's choice.
struct ItemIdListTraits {
    using Pointer = LPITEMIDLIST;
    static Pointer Invalid() { return nullptr; }
    static void Close(Pointer list) { CoTaskMemFree(list); }
};

using UniqueItemIdList = UniqueHandle<ItemIdListTraits>;

struct MenuTraits {
    using Pointer = HMENU;
    static Pointer Invalid() { return nullptr; }
    static void Close(Pointer menu) { DestroyMenu(menu); }
};

using UniqueMenu = UniqueHandle<MenuTraits>;

// A C runtime stream, for the text files: the runtime's text mode writes CR LF for each line feed
// and ends a file at Ctrl-Z when reading.
struct StreamTraits {
    void operator()(FILE *stream) const { fclose(stream); }
};

using UniqueStream = std::unique_ptr<FILE, StreamTraits>;

// Puts the process's current directory back when it goes out of scope. While a folder is current
// it cannot be renamed, moved or removed; and a relative data folder path must name the same folder
// at every use, the one it names from where the program started.
class CurrentDirectoryKept {
  public:
    CurrentDirectoryKept() {
        saved_.resize(GetCurrentDirectoryA(0, nullptr));
        DWORD length = GetCurrentDirectoryA(static_cast<DWORD>(saved_.size()), saved_.data());
        saved_.resize(length < saved_.size() ? length : 0);
    }
    ~CurrentDirectoryKept() {
        if (!saved_.empty())
            SetCurrentDirectoryA(saved_.c_str());
    }
    CurrentDirectoryKept(const CurrentDirectoryKept &) = delete;
    CurrentDirectoryKept &operator=(const CurrentDirectoryKept &) = delete;

  private:
    std::string saved_;
};
