// SPDX-License-Identifier: MIT
#include "app/translation.h"

#include <QLibraryInfo>

namespace tavrin {
namespace {

bool IsEnglish(const QString& language) {
  return language == QLatin1String("en") || language.startsWith(QLatin1String("en-")) ||
         language.startsWith(QLatin1String("en_"));
}

// The first of `languages` that `folder` holds `name`_LANGUAGE.qm for; QTranslator drops
// the country when there is none for it, so "ja-JP" also takes name_ja.qm.
bool Load(QTranslator& translator, const QString& name, const QString& folder,
          const QStringList& languages) {
  for (QString language : languages) {
    if (translator.load(name + u'_' + language.replace(u'-', u'_'), folder)) return true;
  }
  return false;
}

}  // namespace

QStringList WindowLanguages(const QLocale& locale) {
  QStringList languages;
  if (locale.language() == QLocale::C) return languages;
  for (const QString& language : locale.uiLanguages()) {
    if (IsEnglish(language) || language == QLatin1String("C")) break;
    languages.append(language);
  }
  return languages;
}

bool LoadTavrinTranslation(QTranslator& translator, const QStringList& languages) {
  return Load(translator, QStringLiteral("tavrin"), QStringLiteral(":/i18n"), languages);
}

bool LoadQtTranslation(QTranslator& translator, const QStringList& languages) {
  return Load(translator, QStringLiteral("qtbase"),
              QLibraryInfo::path(QLibraryInfo::TranslationsPath), languages);
}

}  // namespace tavrin
