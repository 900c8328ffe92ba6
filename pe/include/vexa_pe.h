// The Windows program image library: what vexa sfx, vexa info and their tests use to read a
// program image and to give a self-extractor stub its maker's icon, title and version
// information. Everything lives in namespace vexa::pe; functions report failures as message
// strings or empty optionals and never throw for malformed input.
#pragma once

#include "pe/branding.h"                // ApplyBranding, ReadBranding
#include "pe/icon_file.h"               // ReadIconFile: a .ico file's images
#include "pe/pe_exports.h"              // ReadExportNames: what a program exports by name
#include "pe/pe_image.h"                // ReadPeLayout: headers and sections
#include "pe/pe_signature.h"            // certificate table removal, archive signature search
#include "pe/stub_settings.h"           // the self-extractor's own settings (resource 130)
#include "pe/stub_settings_encoding.h"  // those settings as their maker holds and writes them
#include "pe/utf16.h"                   // UTF-8 and UTF-16 text
#include "pe/version_info.h"            // version resources and their fields
