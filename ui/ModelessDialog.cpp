#include "ui/ModelessDialog.h"

BEGIN_MESSAGE_MAP(CModelessDialog, CDialog)
END_MESSAGE_MAP()

CModelessDialog::~CModelessDialog() = default;

void CModelessDialog::PostNcDestroy() { delete this; }

void CModelessDialog::OnOK() {
    if (UpdateData(TRUE)) {
        DestroyWindow();
    }
}

void CModelessDialog::OnCancel() { DestroyWindow(); }
