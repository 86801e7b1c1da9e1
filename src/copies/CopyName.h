#pragma once

#include <QDateTime>
#include <QString>

#include <optional>
#include <utility>

// The one naming scheme of safety copies: beside the database, its name
// without the extension, "_", the extension without its dot, "_", the
// fourteen digits of the moment (yyyyMMddhhmmss), for a second copy of the
// same second its number as "_2", "_3", …, and ".var":
// yritys.wk1 -> yritys_wk1_20260307090503.var, yritys_wk1_20260307090503_2.var.

// The copy's path up to the digits: "<folder>/yritys_wk1_".
QString safetyCopyStem(const QString& databasePath);

// The path of the copy taken at `moment` with copy number `number`.
QString safetyCopyPath(const QString& databasePath, const QDateTime& moment, int number = 1);

// The moment and number of `copyPath` when it is named as a safety copy of
// `databasePath` (in the same folder); empty for any other file.
std::optional<std::pair<QDateTime, int>> safetyCopyName(const QString& databasePath, const QString& copyPath);
