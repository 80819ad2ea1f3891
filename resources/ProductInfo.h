/* Product texts shared by the resource scripts and the code.  Macros only, so
   that windres can read this file too. */
#pragma once

#define TINTAVO_PRODUCT_NAME "Tintavo"
#define TINTAVO_MAKER "Velmora"
#define TINTAVO_MENU_TITLE "Tintavo..."
#define TINTAVO_CATEGORY "Velmora"

#define TINTAVO_VERSION_BINARY 1, 0, 0, 1
#define TINTAVO_VERSION_TEXT "1.1"

#define TINTAVO_COMMENTS "Repaints source image in template's colors."
#define TINTAVO_FILE_DESCRIPTION "Tintavo plug-in"
#define TINTAVO_LEGAL_COPYRIGHT "Copyright (C) 2026 "
#define TINTAVO_LEGAL_TRADEMARKS "Written by the Tintavo team at Velmora"
#define TINTAVO_ORIGINAL_FILENAME "Tintavo.8bf"

/* The about box's lines when the version record cannot be read. */
#define TINTAVO_DEFAULT_NAME_LINE "Velmora plug-in"
#define TINTAVO_DEFAULT_VENDOR_LINE "Copyright (C) 2026 Velmora"
#define TINTAVO_DEFAULT_AUTHORS_LINE "Velmora"
#define TINTAVO_DEFAULT_DESCRIPTION_LINE "Adobe-compatible plug-in"
