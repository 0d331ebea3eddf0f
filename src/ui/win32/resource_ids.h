// SPDX-License-Identifier: MIT
// Resource and control ids of korvane.exe, shared by the resource script,
// the program and its tests.
#pragma once

// Open-dialog templates by language; the progress dialog is the template
// two above its open dialog.
#define IDD_OPEN_GERMAN 1537
#define IDD_OPEN_ENGLISH 1700
#define IDD_OPEN_SPANISH 1800
#define IDD_PROGRESS_OFFSET 2

// The option boxes of the open dialog.
#define IDC_FOR_PRINT 7000
#define IDC_AVOID_SHG 7001
#define IDC_PAGE_BREAK 7003
#define IDC_JUMPS 7103
// Beyond the Windows 3.1 dialog: the web site or an HTML Help file instead
// of the sources (the same ids as in the Qt dialog).
#define IDC_WEB_PAGES 7104
#define IDC_HTML_HELP 7105
#define IDC_VERSION 7110

// The common dialog's own parts (dlgs.h: pshHelp, stc1...).
#define IDC_HELP_BUTTON 1038

// The progress dialog.
#define IDC_PROGRESS_BAR 7100
#define IDC_WARNINGS 7101
#define IDC_PHASE 7102

// The program's icon, first in the file so the shell shows it.
#define IDI_KORVANE 1

// The localized string table: English at the id, German at id + 512.
#define IDS_GERMAN_OFFSET 512
