// SPDX-License-Identifier: GPL-2.0-or-later
// The lines of cfg.ini that come from the skin layout: the window positions in [OPT] and
// the whole key table in [KEY]. Each stands in cfg.ini between a begin and an end mark
// line, and the generator replaces what is between them.
#pragma once

#include <QString>

namespace skin_gen {

inline const QString kBeginMark = QStringLiteral("; >>> tastor-skin-gen:");
inline const QString kEndMark = QStringLiteral("; <<< tastor-skin-gen");

QString LayoutLines();
QString KeyLines();

// Replaces the text between the first two begin/end mark pairs of a cfg.ini with the
// layout lines and the key lines. Returns false (and why) when the marks are missing.
bool ReplaceGeneratedLines(QString& cfg, QString* error);

}  // namespace skin_gen
