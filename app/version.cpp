// SPDX-License-Identifier: GPL-2.0-or-later
#include "app/version.h"

// Defined for this file only by the build, so that a new version rebuilds one file.
#if !defined(TASTOR_VERSION) || !defined(TASTOR_RELEASE_DATE)
#error "TASTOR_VERSION and TASTOR_RELEASE_DATE must be defined by the build"
#endif

const char* TastorVersion() { return TASTOR_VERSION; }

const char* TastorReleaseDate() { return TASTOR_RELEASE_DATE; }
