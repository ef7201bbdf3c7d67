#pragma once
// Qt 6.4's raster engine hands every translucent fill of 96 or more spans to Qt's global thread
// pool and waits for it; a one-pixel line that long is as many spans, so each of Fusion's header
// and scroll-bar lines costs two thread hand-offs (about 40 microseconds each here) to blend a
// hundred pixels.
// With this on, the work Qt GUI hands to the pool from the GUI thread, which that thread then
// waits for, runs on the GUI thread itself; everything else still goes to the pool.

// The program turns it on before its first window; off again, everything goes to the pool. Only
// for Qt 6.4, the version whose uses of the pool from Qt GUI are known to be of that kind.
void KeepGuiFillsOnGuiThread(bool keep = true);
