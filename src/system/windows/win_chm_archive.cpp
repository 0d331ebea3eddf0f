// SPDX-License-Identifier: MIT
// Internal files of a .chm through Windows' own reader of them, the
// InfoTech storage of itss.dll (the one the HTML Help viewer reads with):
// the file opens as a structured storage whose streams are its internal
// files. Windows' headers do not declare the storage's factory, so it is
// declared here as the system registers it.
#include <windows.h>
#include <objbase.h>

#include <algorithm>

#include "system/chm_archive.h"
#include "system/files.h"

namespace korvane::sys {

namespace {

// {5D02926A-212E-11D0-9DF9-00A0C922E6EC}
constexpr CLSID kInfoTechStorage = {0x5d02926a, 0x212e, 0x11d0, {0x9d, 0xf9, 0x00, 0xa0, 0xc9, 0x22, 0xe6, 0xec}};
// {88CC31DE-27AB-11D0-9DF9-00A0C922E6EC}
constexpr IID kInfoTechStorageFactory = {0x88cc31de, 0x27ab, 0x11d0, {0x9d, 0xf9, 0x00, 0xa0, 0xc9, 0x22, 0xe6, 0xec}};

// The factory's methods in their order; only opening a file is used.
struct InfoTechStorage : IUnknown {
    virtual HRESULT STDMETHODCALLTYPE StgCreateDocfile(const WCHAR*, DWORD, DWORD, IStorage**) = 0;
    virtual HRESULT STDMETHODCALLTYPE StgCreateDocfileOnILockBytes(ILockBytes*, DWORD, DWORD, IStorage**) = 0;
    virtual HRESULT STDMETHODCALLTYPE StgIsStorageFile(const WCHAR*) = 0;
    virtual HRESULT STDMETHODCALLTYPE StgIsStorageILockBytes(ILockBytes*) = 0;
    virtual HRESULT STDMETHODCALLTYPE StgOpenStorage(const WCHAR*, IStorage*, DWORD, SNB, DWORD, IStorage**) = 0;
};

// More than any internal file of a help file's .chm holds.
constexpr ULONGLONG kMostBytes = ULONGLONG{1} << 30;

bool read_stream(IStorage* storage, const std::string& name, std::vector<uint8_t>& bytes) {
    // Internal names start with '/', which the storage's stream names leave out.
    const std::wstring stream_name = file_path(name.starts_with("/") ? name.substr(1) : name).wstring();
    IStream* stream = nullptr;
    if (FAILED(storage->OpenStream(stream_name.c_str(), nullptr, STGM_READ | STGM_SHARE_EXCLUSIVE, 0, &stream))) {
        return false;
    }
    STATSTG info{};
    bool whole = SUCCEEDED(stream->Stat(&info, STATFLAG_NONAME)) && info.cbSize.QuadPart <= kMostBytes;
    if (whole) {
        bytes.resize(static_cast<size_t>(info.cbSize.QuadPart));
        size_t done = 0;
        while (done < bytes.size()) {
            ULONG got = 0;
            const ULONG want = static_cast<ULONG>(std::min<size_t>(bytes.size() - done, 1u << 20));
            if (FAILED(stream->Read(bytes.data() + done, want, &got)) || got == 0) break;
            done += got;
        }
        whole = done == bytes.size();
    }
    stream->Release();
    return whole;
}

}  // namespace

ChmFiles read_chm_files(const std::string& path, const std::vector<std::string>& names) {
    ChmFiles result;
    const HRESULT initialized = CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
    InfoTechStorage* factory = nullptr;
    if (SUCCEEDED(CoCreateInstance(kInfoTechStorage, nullptr, CLSCTX_INPROC_SERVER, kInfoTechStorageFactory,
                                   reinterpret_cast<void**>(&factory)))) {
        IStorage* storage = nullptr;
        const std::wstring file = file_path(path).wstring();
        if (SUCCEEDED(factory->StgOpenStorage(file.c_str(), nullptr, STGM_READ | STGM_SHARE_DENY_WRITE, nullptr, 0,
                                              &storage))) {
            result.opened = true;
            for (const std::string& name : names) {
                std::vector<uint8_t> bytes;
                if (read_stream(storage, name, bytes)) result.files.emplace(name, std::move(bytes));
            }
            storage->Release();
        }
        factory->Release();
    }
    if (SUCCEEDED(initialized)) CoUninitialize();
    return result;
}

}  // namespace korvane::sys
