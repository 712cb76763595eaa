// What the program refuses to write, with the Russian texts that say why.
//
// The platform's atomic writer replaces only regular files (a rename over a
// device, a pipe or a folder would destroy what the name stands for) and
// refuses anything else on its own. The program asks the same question
// before it starts a piece of work, so that the user reads which file was
// refused and why, in a box or, in a batch run, on standard error; and it
// refuses to write a conversion's result over the file it reads.
//
// Paths are the platform's (UTF-8) paths.
//
// Thread safety: GUI thread only.
#pragma once

#include <QString>
#include <stdexcept>
#include <string>

namespace core {

// A write the program refused before touching anything. what() is Text()
// in UTF-8.
class WriteRefused : public std::runtime_error {
  public:
    explicit WriteRefused(const QString& text);
    const QString& Text() const { return text_; }

  private:
    QString text_;
};

// "Файл '<path>' не заменён: это не обычный файл."
QString NotRegularFileText(const QString& path);
// "Файл '<path>' не заменён: это исходный файл преобразования."
QString OwnInputText(const QString& path);

// Throws WriteRefused with NotRegularFileText when `path` exists and is not
// a regular file after following links.
void CheckWriteTarget(const std::string& path);

// Throws WriteRefused with OwnInputText(output) when `output` names the file
// `input` names (by file identity, not by text), and CheckWriteTarget for
// `output` otherwise.
void CheckConversionTarget(const std::string& input, const std::string& output);

}  // namespace core
