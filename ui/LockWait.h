#pragma once
// How the window waits for a file's lock held by another program (the list file while another
// Ludra or ludra-audit saves or reads it): the wait runs on a thread of its own while the window
// goes on painting and answering, with a busy cursor and no input taken, so the command that
// waits is not entered twice.
#include "fileio/FunctionRef.h"

// For SetLockWaiter(): waits off the window's thread when called on it, else right there.
void WaitAnswering(TFunctionRef<void()> wait);
