// SPDX-License-Identifier: MIT
#pragma once

#include <QLocale>
#include <QString>
#include <QStringList>
#include <QTranslator>

namespace tavrin {

/// The languages of `locale` the window may speak, most wanted first: its UI languages up to
/// the first English one (the window's own words are English), none for the C locale.
QStringList WindowLanguages(const QLocale& locale);

/// Loads into `translator` Tavrin's own words in the first of `languages` it is translated
/// into, from the translations built into the program; false when there is none.
bool LoadTavrinTranslation(QTranslator& translator, const QStringList& languages);

/// Loads into `translator` Qt's own words (qtbase, from Qt's translations folder) in the
/// first of `languages` Qt has them in; false when there is none.
bool LoadQtTranslation(QTranslator& translator, const QStringList& languages);

}  // namespace tavrin
