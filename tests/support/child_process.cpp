#include "child_process.h"

#include <signal.h>

#include <QFile>
#include <QProcess>

namespace ch::testing {

ChildProcess::ChildProcess(const std::string& program, const std::vector<std::string>& arguments,
                           const std::map<std::string, std::string>& environment)
    : process_(std::make_unique<QProcess>()) {
    QProcessEnvironment variables = QProcessEnvironment::systemEnvironment();
    for (const auto& [name, value] : environment) {
        if (value.empty())
            variables.remove(QString::fromStdString(name));
        else
            variables.insert(QString::fromStdString(name), QString::fromStdString(value));
    }
    QStringList words;
    for (const std::string& argument : arguments) words << QString::fromStdString(argument);
    process_->setProcessEnvironment(variables);
    // In a file, so that a program that writes much to stderr (Xvfb) never blocks on a full pipe.
    errorFile_.open();
    process_->setStandardErrorFile(errorFile_.fileName());
    process_->start(QString::fromStdString(program), words);
    process_->waitForStarted();
}

ChildProcess::~ChildProcess() {
    if (process_->state() != QProcess::NotRunning) {
        process_->kill();
        process_->waitForFinished();
    }
}

bool ChildProcess::ReadSome(std::chrono::steady_clock::time_point deadline) {
    const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
        deadline - std::chrono::steady_clock::now());
    if (left.count() <= 0 || !process_->waitForReadyRead(static_cast<int>(left.count())))
        return false;
    output_ += process_->readAllStandardOutput().toStdString();
    return true;
}

std::optional<std::string> ChildProcess::WaitForLine(const std::string& text,
                                                     std::chrono::seconds limit) {
    const auto deadline = std::chrono::steady_clock::now() + limit;
    for (;;) {
        size_t end;
        while ((end = output_.find('\n', scanned_)) != std::string::npos) {
            std::string line = output_.substr(scanned_, end - scanned_);
            scanned_ = end + 1;
            if (line.find(text) != std::string::npos) return line;
        }
        if (!ReadSome(deadline)) return std::nullopt;
    }
}

int ChildProcess::WaitForExit(std::chrono::seconds limit) {
    const bool ended = process_->waitForFinished(static_cast<int>(limit.count() * 1000));
    if (!ended) {
        process_->kill();
        process_->waitForFinished();
    }
    output_ += process_->readAllStandardOutput().toStdString();
    return ended && process_->exitStatus() == QProcess::NormalExit ? process_->exitCode() : -1;
}

void ChildProcess::Signal(int number) {
    // A program that has ended has no id: kill(0) would signal the test's whole process group.
    if (const qint64 id = process_->processId(); id > 0) ::kill(static_cast<pid_t>(id), number);
}

void ChildProcess::CloseInput() {
    process_->closeWriteChannel();
}

std::string ChildProcess::Errors() const {
    QFile file(errorFile_.fileName());
    return file.open(QIODevice::ReadOnly) ? file.readAll().toStdString() : std::string();
}

}  // namespace ch::testing
