#pragma once

#include "framework/Resources.h"

// The whole resource table of the program.
const AfxResourceTable& ZorvikResources();

// The toolbar's buttons and the status bar's panes, in order.
extern const UINT kToolbarButtons[10];
extern const UINT kStatusPanes[2];
