#pragma once

#include "framework/Dialog.h"

// The About box: template 101, run modally over the main window.
class CAboutDialog : public CDialog {
public:
    CAboutDialog();
};
