#include "overlays/BoardSnap_win.h"

#include "overlays/Gdiplus_win.h"
#include "overlays/SnapFileName.h"
#include "toolkit/Handle_win.h"

#include <shlobj.h>

#include <cstring>
#include <memory>
#include <vector>

namespace {

// GMEM_MOVEABLE | GMEM_ZEROINIT | GMEM_SHARE: the block the clipboard takes over.
constexpr UINT kClipboardBlockFlags = 0x2042;
// Another program may hold the clipboard for a moment.
constexpr int kClipboardTries = 5;
constexpr DWORD kClipboardRetryMs = 10;

// ImageFormatPNG, {b96b3caf-0728-11d3-9d7b-0000f81ef32e}: the encoder that writes it is looked up by it.
constexpr GUID kPngFormat = {0xb96b3caf, 0x0728, 0x11d3, {0x9d, 0x7b, 0x00, 0x00, 0xf8, 0x1e, 0xf3, 0x2e}};

bool PngEncoder(CLSID& encoder) {
    UINT count = 0, bytes = 0;
    if (Gdiplus::GetImageEncodersSize(&count, &bytes) != Gdiplus::Ok || count == 0 || bytes == 0) return false;
    std::vector<uint8_t> block(bytes);
    auto* codecs = reinterpret_cast<Gdiplus::ImageCodecInfo*>(block.data());
    if (Gdiplus::GetImageEncoders(count, bytes, codecs) != Gdiplus::Ok) return false;
    for (UINT i = 0; i < count; ++i) {
        if (IsEqualGUID(codecs[i].FormatID, kPngFormat)) {
            encoder = codecs[i].Clsid;
            return true;
        }
    }
    return false;
}

std::wstring Formatted(bool date, const wchar_t* picture) {
    wchar_t text[kSnapFormatBuffer] = L"";
    const int n = date ? GetDateFormatW(LOCALE_SYSTEM_DEFAULT, 0, nullptr, picture, text, kSnapFormatBuffer)
                       : GetTimeFormatW(LOCALE_SYSTEM_DEFAULT, 0, nullptr, picture, text, kSnapFormatBuffer);
    return n > 0 ? std::wstring(text) : std::wstring();
}

// The snap as the bytes of a 32-bit PNG with alpha; empty when the image is empty or GDI+ could not encode it.
std::vector<uint8_t> EncodePng(const SnapImage& image) {
    if (image.width <= 0 || image.height <= 0) return {};
    CLSID encoder;
    if (!PngEncoder(encoder)) return {};
    // Straight alpha: every pixel is either opaque or fully transparent (0), so it equals its premultiplied
    // value.
    Gdiplus::Bitmap bitmap(image.width, image.height, PixelFormat32bppARGB);
    if (bitmap.GetLastStatus() != Gdiplus::Ok) return {};
    Gdiplus::Rect all(0, 0, image.width, image.height);
    Gdiplus::BitmapData data{};
    if (bitmap.LockBits(&all, Gdiplus::ImageLockModeWrite, PixelFormat32bppARGB, &data) != Gdiplus::Ok) return {};
    for (int y = 0; y < image.height; ++y) {
        std::memcpy(static_cast<uint8_t*>(data.Scan0) + std::ptrdiff_t(y) * data.Stride,
                    image.pixels.data() + std::size_t(y) * std::size_t(image.width), std::size_t(image.width) * 4);
    }
    bitmap.UnlockBits(&data);
    // Into memory first: a file is claimed only once there is something to write into it.
    IStream* stream = nullptr;
    if (FAILED(CreateStreamOnHGlobal(nullptr, TRUE, &stream)) || !stream) return {};
    const std::unique_ptr<IStream, void (*)(IStream*)> owned(stream, [](IStream* s) { s->Release(); });
    if (bitmap.Save(stream, &encoder, nullptr) != Gdiplus::Ok) return {};
    STATSTG stat{};
    HGLOBAL block = nullptr;
    if (FAILED(stream->Stat(&stat, STATFLAG_NONAME)) || FAILED(GetHGlobalFromStream(stream, &block))) return {};
    const auto size = std::size_t(stat.cbSize.QuadPart);
    const void* bytes = GlobalLock(block);
    if (!bytes) return {};
    std::vector<uint8_t> png(static_cast<const uint8_t*>(bytes), static_cast<const uint8_t*>(bytes) + size);
    GlobalUnlock(block);
    return png;
}

}  // namespace

bool CopySnapToClipboard(HWND owner, const SnapImage& image) {
    const std::vector<uint8_t> dib = BuildDibBlock(image);
    if (dib.empty()) return false;
    HGLOBAL block = GlobalAlloc(kClipboardBlockFlags, dib.size());
    if (!block) return false;
    UniqueGlobalMemory owned(block);
    void* at = GlobalLock(block);
    if (!at) return false;
    std::memcpy(at, dib.data(), dib.size());
    GlobalUnlock(block);

    bool open = false;
    for (int i = 0; i < kClipboardTries && !(open = OpenClipboard(owner) != FALSE); ++i) Sleep(kClipboardRetryMs);
    if (!open) return false;
    EmptyClipboard();
    const bool taken = SetClipboardData(CF_DIB, block) != nullptr;
    if (taken) owned.Release();  // the clipboard owns it now
    CloseClipboard();
    return taken;
}

SnapFileResult SaveSnapAsNewPng(const SnapImage& image) {
    SnapFileResult result;
    wchar_t desktop[MAX_PATH] = L"";
    if (!SHGetSpecialFolderPathW(nullptr, desktop, CSIDL_DESKTOP, FALSE) || desktop[0] == 0) return result;
    const std::wstring folder = SnapFolderPath(desktop);
    const std::vector<uint8_t> png = EncodePng(image);
    if (png.empty()) {
        result.path = folder;
        return result;
    }
    // An existing folder is fine; a folder that cannot be made shows as the file's failure.
    CreateDirectoryW(folder.c_str(), nullptr);
    UniqueFileHandle file;
    const auto taken = [&file](const std::wstring& path) {
        file.Reset(CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW, FILE_ATTRIBUTE_NORMAL, nullptr));
        if (file) return false;  // ours now
        const DWORD error = GetLastError();
        return error == ERROR_FILE_EXISTS || error == ERROR_ALREADY_EXISTS;  // anything else: this name fails
    };
    result.path = SnapFilePath(desktop, Formatted(true, kSnapDatePicture), Formatted(false, kSnapTimePicture), taken);
    if (result.path.empty() || !file) return result;
    DWORD written = 0;
    result.saved = WriteFile(file.Get(), png.data(), DWORD(png.size()), &written, nullptr) && written == png.size();
    file.Reset();
    if (!result.saved) DeleteFileW(result.path.c_str());  // never leave half a picture behind
    return result;
}
