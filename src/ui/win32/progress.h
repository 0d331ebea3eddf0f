// SPDX-License-Identifier: MIT
// The progress dialog: a modeless dialog with the phase text, the "Prog"
// percentage bar and the warnings list, driven by the conversion's
// progress reports on the one thread there is. Every report lets the
// dialog handle what waits in the message queue; that is where a click on
// Cancel is noticed and answered.
#pragma once

#include <windows.h>

#include <cstdint>
#include <string>

#include "base/platform.h"

namespace korvane::win32 {

// The requests a "Prog" window understands (its argument is 16 bits).
inline constexpr UINT kProgSetRange = WM_USER;         // 0x0400
inline constexpr UINT kProgSetPosition = WM_USER + 2;  // 0x0402
inline constexpr UINT kProgAdvance = WM_USER + 4;      // 0x0404

// Makes the window class "Prog" known (a second time is harmless).
void register_progress_bar_class(HINSTANCE instance);

// What a "Prog" window of the given client width paints for its range and
// position: the first column of the white part, and the text (4
// characters).
struct BarLayout {
    int split;
    std::wstring text;
};
BarLayout bar_layout(int width, uint16_t range, uint16_t position);

// The language of the dialogs: the resource id of the open dialog (the
// progress dialog is two above it) and the offset of the string table.
struct DialogLanguage {
    int dialog_base = 1700;
    int string_offset = 0;
};

// The platform of conversions run by korvane.exe: the progress dialog, and
// message boxes for fatal problems.
class WinPlatform : public Platform {
public:
    WinPlatform(HINSTANCE instance, DialogLanguage language);
    ~WinPlatform() override;
    WinPlatform(const WinPlatform&) = delete;
    WinPlatform& operator=(const WinPlatform&) = delete;

    void show_fatal(std::string_view caption, std::string_view text) override;
    void open_progress() override;
    void set_phase(std::string_view text) override;
    void set_percent(int percent) override;
    void add_warning_line(std::string_view line) override;
    void repeat_warning(size_t index, std::string_view line, unsigned long count) override;
    void pump_events() override;
    bool stop_requested() override { return cancelled_; }
    int language_offset() const override { return language_.string_offset; }

    // The finishing wait after a dialog-started conversion: the Cancel
    // button becomes the default "&Ok" button, the beep sounds when the
    // settings want it, and the dialog stays until the user dismisses it
    // (Enter, Escape, the button or closing it); then it is destroyed.
    void finish_progress();

    // Destroys the dialog without a wait.
    void close_progress();

    HWND dialog() const { return dialog_; }

private:
    static INT_PTR CALLBACK dialog_procedure(HWND dialog, UINT message, WPARAM wparam, LPARAM lparam);
    void on_command(int id);

    HINSTANCE instance_;
    DialogLanguage language_;
    HWND dialog_ = nullptr;
    bool running_ = true;
    bool done_ = false;
    bool cancelled_ = false;
};

// The text of a string-table id in the language of offset, from the
// program's resources; empty when there is none.
std::wstring resource_text(HINSTANCE instance, int id, int offset);

}  // namespace korvane::win32
