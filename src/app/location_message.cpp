// SPDX-License-Identifier: MIT
#include "app/location_message.h"

#include <QCoreApplication>
#include <QFile>

namespace tavrin {
namespace {

QString Path(const std::filesystem::path& path) { return QFile::decodeName(path.c_str()); }

// The sentences, in the context "GameLocation" of the translations.
class Sentences {
  Q_DECLARE_TR_FUNCTIONS(GameLocation)

 public:
  static QString Of(const GameLocation& location);

 private:
  // "a", "a and b", "a, b and c".
  static QString Listed(const std::vector<std::string>& names) {
    QString text;
    for (size_t i = 0; i < names.size(); ++i) {
      const QString name = QString::fromStdString(names[i]);
      if (i == 0) {
        text = name;
      } else if (i + 1 < names.size()) {
        //: Joins the names of a list of folders but the last.
        text = tr("%1, %2").arg(text, name);
      } else {
        //: Joins the last name of a list of folders.
        text = tr("%1 and %2").arg(text, name);
      }
    }
    return text;
  }
};

QString Sentences::Of(const GameLocation& location) {
  using Kind = LocationProblem::Kind;
  const LocationProblem& problem = location.problem;
  const QString named = Path(problem.path);
  const QString entry = QString::fromStdString(problem.entry);
  switch (problem.kind) {
    case Kind::None:
      break;
    case Kind::SeveralGames:
      //: %1 is a folder or an archive, %2 how many games it holds, %3 the list of the
      //: folders that hold them, and %4 the path that names the first of them.
      return tr("'%1' holds %2 games, one in each of the folders %3: name the one to play "
                "after it, as in '%4'")
          .arg(named, QString::number(problem.folders.size()), Listed(problem.folders),
               Path(problem.path / problem.folders.front()));
    case Kind::NoGame:
      return tr("'%1' holds no game: there is no dat.dat in it or in any of its folders")
          .arg(named);
    case Kind::NoGameButLink:
      //: %2 is the name of a dat.dat inside the archive %1.
      return tr("'%1' holds no game: there is no dat.dat in it or in any of its folders (its "
                "%2 is a link, and links are never followed)")
          .arg(named, entry);
    case Kind::NoGameButUnsafe:
      //: %2 is the name of an entry of the archive %1.
      return tr("'%1' holds no game: there is no dat.dat in it or in any of its folders "
                "(entries whose names are absolute or lead out of it with \"..\" are never "
                "used, such as %2)")
          .arg(named, entry);
    case Kind::NoGameButArchive:
      //: %2 is the name of an archive inside the archive %1.
      return tr("'%1' holds no game: there is no dat.dat in it or in any of its folders (it "
                "holds the archive %2, which is not opened from inside another: unpack that "
                "one first)")
          .arg(named, entry);
    case Kind::EncryptedScenario:
      return tr("'%1' holds its dat.dat encrypted, with a password: Tavrin reads no encrypted "
                "archives; unpack it with the password first")
          .arg(named);
    case Kind::EncryptedArchive:
      return tr("'%1' is encrypted with a password: Tavrin reads no encrypted archives; unpack "
                "it with the password first")
          .arg(named);
    case Kind::TooManyEntries:
      return tr("'%1' holds more than %2 entries, more than any game: it is not read")
          .arg(named, QString::number(problem.count));
    case Kind::Damaged:
      if (problem.detail.empty()) {
        return tr("'%1' cannot be read as an archive, it may be damaged or cut short").arg(named);
      }
      //: %2 is what the archive library said, in English.
      return tr("'%1' cannot be read as an archive, it may be damaged or cut short: %2")
          .arg(named, QString::fromStdString(problem.detail));
    case Kind::NotAnArchive:
      return tr("'%1' is neither a game folder, nor its dat.dat, nor an archive of a kind "
                "Tavrin reads (zip, LZH, 7z, RAR)")
          .arg(named);
  }
  return QString::fromStdString(location.error);
}

}  // namespace

QString LocationMessage(const GameLocation& location) { return Sentences::Of(location); }

}  // namespace tavrin
