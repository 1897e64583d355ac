#pragma once

#include "framework/Dialog.h"

// A dialog without a modal loop: OK and Cancel destroy its window, and the
// object deletes itself once the window is gone.
class CModelessDialog : public CDialog {
public:
    CModelessDialog() = default;
    ~CModelessDialog() override;

protected:
    void PostNcDestroy() override;
    void OnOK() override;
    void OnCancel() override;
    DECLARE_MESSAGE_MAP()
};
