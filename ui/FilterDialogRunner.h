#pragma once
// The plug-in's user interface for one filter run, between reading the host
// image and writing it back.
//
// On Windows the modal main dialog: the user repaints the image, watching
// the preview, and OK (the answer true) writes the shown result back.  With
// TINTAVO_HEADLESS set, and on POSIX, where a Photoshop-interface host has
// no dialog toolkit to offer, the filter applies the settings the user last
// had, as an editor's "repeat last filter" does.

class CHostExchange;

bool RunFilterDialog(CHostExchange& exchange);
