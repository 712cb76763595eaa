// A Prompter for tests: answers every question from queues the test fills in
// advance and records every box and file dialog it was asked to show. While a
// ScopedPrompter holds it, it is the process's CurrentPrompter().
//
// A question without a queued answer is a test failure (nothing may wait for
// a person); it is then answered with the negative answer (No, Cancel, an
// empty file name) so that the code under test can go on. Set
// `failWhenUnscripted` to false where that default is the intended answer.
//
//   testing_support::ScriptedPrompter prompter;
//   testing_support::ScopedPrompter use(prompter);
//   prompter.answers.push_back(ui::Prompter::Answer::Yes);
//   prompter.fileAnswers.push_back({"/tmp/Zakaz1.zv"});
//   ... code under test ...
//   EXPECT_EQ(prompter.Texts(), QStringList{"Файл '...' уже существует. Перезаписать его ?"});
#pragma once

#include <gtest/gtest.h>

#include <QString>
#include <QStringList>
#include <deque>
#include <vector>

#include "ui/Prompter.h"

namespace testing_support {

class ScriptedPrompter : public ui::Prompter {
  public:
    enum class Kind {
        Information,
        Warning,
        ConfirmYesNo,
        ConfirmOkCancel,
        ConfirmYesNoAll,
        Error,
        Plain,
        OpenFileNames,
        SaveFileName,
        FolderName,
    };

    // One box or dialog as it was asked for.
    struct Shown {
        Kind kind;
        QString text;     // message; for file dialogs and Plain the caption
        QString details;  // Error: the details; Plain: the text; file dialogs: the folder or path
        QString filter;   // file dialogs
    };

    // Answers of ConfirmYesNo (Yes = true), ConfirmOkCancel (Ok = true) and
    // ConfirmYesNoAll, taken front first.
    std::deque<Answer> answers;
    // Answers of the file dialogs, taken front first: OpenFileNames returns
    // the list, SaveFileName and FolderName its first entry (an empty list
    // means cancelled).
    std::deque<QStringList> fileAnswers;
    // The file type chosen in SaveFileNameOfType, taken front first; none
    // queued: the first type, as the dialog starts.
    std::deque<int> typeAnswers;
    bool failWhenUnscripted = true;
    // Tests run without a display: nobody answers a batch run's questions.
    bool canAsk = false;
    bool CanAsk() const override { return canAsk; }

    // Everything shown, in order.
    std::vector<Shown> shown;

    // The `text` of everything shown, in order.
    QStringList Texts() const {
        QStringList texts;
        for (const Shown& s : shown) texts << s.text;
        return texts;
    }
    // The kinds shown, in order.
    std::vector<Kind> Kinds() const {
        std::vector<Kind> kinds;
        for (const Shown& s : shown) kinds.push_back(s.kind);
        return kinds;
    }
    // True when every queued answer was used.
    bool AllAnswered() const {
        return answers.empty() && fileAnswers.empty() && typeAnswers.empty();
    }
    void Clear() {
        shown.clear();
        answers.clear();
        fileAnswers.clear();
        typeAnswers.clear();
    }

    void Record(Kind kind, const QString& text, const QString& details = {},
                const QString& filter = {}) {
        shown.push_back(Shown{kind, text, details, filter});
    }

    void Information(const QString& text) override { Record(Kind::Information, text); }
    void Warning(const QString& text) override { Record(Kind::Warning, text); }
    bool ConfirmYesNo(const QString& text) override {
        Record(Kind::ConfirmYesNo, text);
        return NextAnswer(text, Answer::No) == Answer::Yes;
    }
    bool ConfirmOkCancel(const QString& text) override {
        Record(Kind::ConfirmOkCancel, text);
        return NextAnswer(text, Answer::Cancel) == Answer::Ok;
    }
    Answer ConfirmYesNoAll(const QString& text) override {
        Record(Kind::ConfirmYesNoAll, text);
        return NextAnswer(text, Answer::No);
    }
    void Error(const QString& text, const QString& details) override {
        Record(Kind::Error, text, details);
    }
    void Plain(const QString& caption, const QString& text) override {
        Record(Kind::Plain, caption, text);
    }

    QStringList OpenFileNames(const QString& caption, const QString& folder,
                              const QString& filter) override {
        Record(Kind::OpenFileNames, caption, folder, filter);
        return NextFiles(caption);
    }
    QString SaveFileName(const QString& caption, const QString& proposedPath,
                         const QString& filter) override {
        Record(Kind::SaveFileName, caption, proposedPath, filter);
        const QStringList files = NextFiles(caption);
        return files.isEmpty() ? QString() : files.front();
    }
    QString SaveFileNameOfType(const QString& caption, const QString& proposedPath,
                               const QString& filters, int& typeIndex) override {
        const QString name = SaveFileName(caption, proposedPath, filters);
        typeIndex = 0;
        if (!typeAnswers.empty()) {
            typeIndex = typeAnswers.front();
            typeAnswers.pop_front();
        }
        return name;
    }
    QString FolderName(const QString& caption, const QString& folder) override {
        Record(Kind::FolderName, caption, folder);
        const QStringList files = NextFiles(caption);
        return files.isEmpty() ? QString() : files.front();
    }

  private:
    Answer NextAnswer(const QString& text, Answer negative) {
        if (answers.empty()) {
            if (failWhenUnscripted) ADD_FAILURE() << "Unscripted question: " << text.toStdString();
            return negative;
        }
        const Answer answer = answers.front();
        answers.pop_front();
        return answer;
    }
    QStringList NextFiles(const QString& caption) {
        if (fileAnswers.empty()) {
            if (failWhenUnscripted)
                ADD_FAILURE() << "Unscripted file dialog: " << caption.toStdString();
            return {};
        }
        QStringList files = fileAnswers.front();
        fileAnswers.pop_front();
        return files;
    }
};

// Installs a prompter as CurrentPrompter() for its lifetime and puts the
// previous one back afterwards.
class ScopedPrompter {
  public:
    explicit ScopedPrompter(ui::Prompter& prompter)
        : previous_(ui::SetCurrentPrompter(&prompter)) {}
    ~ScopedPrompter() { ui::SetCurrentPrompter(previous_); }
    ScopedPrompter(const ScopedPrompter&) = delete;
    ScopedPrompter& operator=(const ScopedPrompter&) = delete;

  private:
    ui::Prompter* previous_;
};

}  // namespace testing_support
