#include "app/version.h"

// Defined for this file only by the build, so that a new version rebuilds one file.
#ifndef TASTOR_VERSION
#error "TASTOR_VERSION must be defined by the build"
#endif

const char* TastorVersion() { return TASTOR_VERSION; }
