#include "ui/AboutDialog.h"

#include "ui/res/resource.h"

CAboutDialog::CAboutDialog() : CDialog(IDD_ABOUT, nullptr) {}
