#pragma once

#include "framework/AfxTypes.h"

// One running instance per user. The first start listens on a local socket
// in the user's runtime directory (or a private 0700 directory under /tmp);
// a later start sends the one activation request through it and is told to
// end. Check and listen happen under a lock file, so two starts cannot both
// win. The running instance, on the request, brings its main window to the
// front, restores it if minimised, then brings its last active popup (an open
// modal box) to the front. Anything else sent to the socket is ignored.
//
// TRUE: this is the first instance (also when the directory is unusable).
BOOL AfxClaimSingleInstance(const char* name);
