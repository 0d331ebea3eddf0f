// SPDX-License-Identifier: MIT
// The progress dialog, its "Prog" bar and the platform that drives them.
#include "ui/win32/progress.h"

#include <cstdio>

#include "base/messages.h"
#include "ui/win32/resource_ids.h"
#include "ui/win32/settings.h"
#include "ui/win32/wide_text.h"

namespace korvane::win32 {

namespace {

constexpr COLORREF kBlue = RGB(0, 0, 255);
constexpr COLORREF kWhite = RGB(255, 255, 255);
// The window data of a "Prog" window: two 16-bit words.
constexpr int kRangeOffset = 0;
constexpr int kPositionOffset = 2;

uint16_t word_at(HWND window, int offset) { return static_cast<uint16_t>(GetWindowWord(window, offset)); }

void repaint_now(HWND window) {
    InvalidateRect(window, nullptr, FALSE);
    UpdateWindow(window);
}

void paint_bar(HWND window, HDC dc) {
    RECT r;
    GetClientRect(window, &r);
    BarLayout l = bar_layout(r.right, word_at(window, kRangeOffset), word_at(window, kPositionOffset));
    SIZE size{};
    GetTextExtentPoint32W(dc, l.text.c_str(), static_cast<int>(l.text.size()), &size);
    int x = (r.right - size.cx) / 2;
    int y = (r.bottom - size.cy) / 2;
    RECT left = r;
    left.right = l.split;
    RECT right = r;
    right.left = l.split;
    SetBkColor(dc, kBlue);
    SetTextColor(dc, kWhite);
    ExtTextOutW(dc, x, y, ETO_OPAQUE | ETO_CLIPPED, &left, l.text.c_str(), 4, nullptr);
    SetBkColor(dc, kWhite);
    SetTextColor(dc, kBlue);
    ExtTextOutW(dc, x, y, ETO_OPAQUE | ETO_CLIPPED, &right, l.text.c_str(), 4, nullptr);
}

LRESULT CALLBACK bar_procedure(HWND window, UINT message, WPARAM wparam, LPARAM lparam) {
    switch (message) {
    case WM_CREATE:
        SetWindowWord(window, kRangeOffset, 100);
        SetWindowWord(window, kPositionOffset, 0);
        return 0;
    case WM_PAINT: {
        PAINTSTRUCT ps;
        HDC dc = BeginPaint(window, &ps);
        paint_bar(window, dc);
        EndPaint(window, &ps);
        return 0;
    }
    case kProgSetRange:
    case kProgSetPosition: {
        int offset = message == kProgSetRange ? kRangeOffset : kPositionOffset;
        uint16_t value = static_cast<uint16_t>(wparam);
        if (value != word_at(window, offset)) {
            SetWindowWord(window, offset, static_cast<WORD>(value));
            repaint_now(window);
        }
        return 0;
    }
    case kProgAdvance:
        SetWindowWord(window, kPositionOffset,
                      static_cast<WORD>(word_at(window, kPositionOffset) + static_cast<uint16_t>(wparam)));
        repaint_now(window);
        return 0;
    default: return DefWindowProcW(window, message, wparam, lparam);
    }
}

}  // namespace

void register_progress_bar_class(HINSTANCE instance) {
    WNDCLASSW c{};
    c.style = CS_HREDRAW | CS_VREDRAW;
    c.lpfnWndProc = bar_procedure;
    c.cbWndExtra = 4;
    c.hInstance = instance;
    c.hCursor = LoadCursorW(nullptr, reinterpret_cast<LPCWSTR>(IDC_ARROW));
    c.hbrBackground = reinterpret_cast<HBRUSH>(static_cast<INT_PTR>(COLOR_WINDOW + 1));
    c.lpszClassName = L"Prog";
    RegisterClassW(&c);  // fails harmlessly when the class is known
}

BarLayout bar_layout(int width, uint16_t range, uint16_t position) {
    unsigned r = range == 0 ? 1u : range;
    unsigned pos = position > r ? r : position;
    uint64_t w = width > 0 ? static_cast<uint64_t>(static_cast<unsigned>(width)) : 0u;
    BarLayout l;
    l.split = static_cast<int>(static_cast<uint16_t>(w * pos / r)) + 1;
    wchar_t text[16];
    std::swprintf(text, 16, L"%3d%%", MulDiv(static_cast<int>(pos), 100, static_cast<int>(r)));
    l.text = std::wstring(text).substr(0, 4);
    return l;
}

std::wstring resource_text(HINSTANCE instance, int id, int offset) {
    const wchar_t* text = nullptr;
    int n = LoadStringW(instance, static_cast<UINT>(id + offset), reinterpret_cast<LPWSTR>(&text), 0);
    return n > 0 && text ? std::wstring(text, static_cast<size_t>(n)) : std::wstring();
}

WinPlatform::WinPlatform(HINSTANCE instance, DialogLanguage language) : instance_(instance), language_(language) {}

WinPlatform::~WinPlatform() {
    if (dialog_) DestroyWindow(dialog_);
}

void WinPlatform::show_fatal(std::string_view caption, std::string_view text) {
    while (!text.empty() && (text.back() == '\n' || text.back() == '\r')) text.remove_suffix(1);
    MessageBoxW(nullptr, widen(text).c_str(), widen(caption).c_str(), MB_ICONERROR | MB_OK);
}

void WinPlatform::open_progress() {
    if (dialog_) return;
    register_progress_bar_class(instance_);
    dialog_ = CreateDialogParamW(instance_, MAKEINTRESOURCEW(language_.dialog_base + IDD_PROGRESS_OFFSET), nullptr,
                                 dialog_procedure, reinterpret_cast<LPARAM>(this));
}

void WinPlatform::set_phase(std::string_view text) {
    if (dialog_) SetDlgItemTextW(dialog_, IDC_PHASE, widen(text).c_str());
}

void WinPlatform::set_percent(int percent) {
    if (dialog_) SendDlgItemMessageW(dialog_, IDC_PROGRESS_BAR, kProgSetPosition, static_cast<uint16_t>(percent), 0);
}

void WinPlatform::add_warning_line(std::string_view line) {
    if (dialog_) SendDlgItemMessageW(dialog_, IDC_WARNINGS, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(widen(line).c_str()));
}

void WinPlatform::repeat_warning(size_t index, std::string_view line, unsigned long count) {
    if (!dialog_) return;
    // The line shows how often it was raised: "TEXT (×N)".
    std::wstring text = widen(line) + L" (\u00D7" + std::to_wstring(count) + L")";
    HWND list = GetDlgItem(dialog_, IDC_WARNINGS);
    WPARAM row = static_cast<WPARAM>(index);
    if (SendMessageW(list, LB_DELETESTRING, row, 0) == LB_ERR) return;
    SendMessageW(list, LB_INSERTSTRING, row, reinterpret_cast<LPARAM>(text.c_str()));
}

void WinPlatform::pump_events() {
    MSG msg;
    while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) DispatchMessageW(&msg);
}

void WinPlatform::finish_progress() {
    if (!dialog_) return;
    running_ = false;
    HWND button = GetDlgItem(dialog_, IDCANCEL);
    SetWindowLongPtrW(button, GWLP_ID, IDOK);
    SendMessageW(button, BM_SETSTYLE, BS_DEFPUSHBUTTON, FALSE);
    SetWindowTextW(button, L"&Ok");
    if (message_beep_enabled()) MessageBeep(MB_OK);
    MSG msg;
    while (!done_ && GetMessageW(&msg, nullptr, 0, 0) > 0) {
        if (!IsDialogMessageW(dialog_, &msg)) DispatchMessageW(&msg);
    }
    DestroyWindow(dialog_);
    dialog_ = nullptr;
}

void WinPlatform::close_progress() {
    if (dialog_) DestroyWindow(dialog_);
    dialog_ = nullptr;
}

void WinPlatform::on_command(int id) {
    if (id == IDOK) {
        done_ = true;
    } else if (id == IDCANCEL) {
        if (!running_) {
            done_ = true;
            return;
        }
        std::wstring question = resource_text(instance_, static_cast<int>(Msg::ReallyCancel), language_.string_offset);
        if (MessageBoxW(dialog_, question.c_str(), L"Korvane", MB_ICONQUESTION | MB_YESNO) == IDYES) cancelled_ = true;
    }
}

INT_PTR CALLBACK WinPlatform::dialog_procedure(HWND dialog, UINT message, WPARAM wparam, LPARAM lparam) {
    if (message == WM_INITDIALOG) {
        SetWindowLongPtrW(dialog, DWLP_USER, lparam);
    } else if (message == WM_COMMAND) {
        if (auto* self = reinterpret_cast<WinPlatform*>(GetWindowLongPtrW(dialog, DWLP_USER))) {
            self->on_command(LOWORD(wparam));
        }
    }
    return FALSE;
}

}  // namespace korvane::win32
