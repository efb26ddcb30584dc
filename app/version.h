// SPDX-License-Identifier: GPL-2.0-or-later
// The version of this build of Tastor (the project version of the build files). The text
// table's tc_version is the keyboard maker's own version text and is shown beside it.
#pragma once

// For example "0.1.0".
const char* TastorVersion();
// The date of this release, "YYYY-MM-DD", as the manual pages and the package carry it.
const char* TastorReleaseDate();
