// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// Runs the built batch tool through the shell, in a fresh folder of its own.

#include <gtest/gtest.h>
#include <sys/wait.h>

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <cstdlib>
#include <string>
#include <vector>

#include "batch/disc_images.h"

struct ToolRun {
    int exitCode = -1;
    QByteArray out;
    std::string err;
};

inline QByteArray ReadFile(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("<missing>");
}

inline void WriteFile(const QString& path, const QByteArray& bytes) {
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(bytes);
}

inline std::string Quote(const std::string& s) {
    std::string q = "'";
    for (const char c : s) q += c == '\'' ? std::string("'\\''") : std::string(1, c);
    return q + "'";
}

class BatchToolTest : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(m_dir.isValid()); }

    QString Path(const QString& name) const { return m_dir.filePath(name); }

    // Runs the tool with the arguments; standard output and error go to files in the folder,
    // unless `stdoutTo` redirects standard output otherwise (">&-" closes it). `before` is
    // shell text put before the command ("ulimit -d 150000; ", "yes | ").
    ToolRun Exec(const std::vector<std::string>& args, const std::string& stdoutTo = {},
                 const std::string& before = {}) const {
        std::string command = before + Quote(QUANDREL_BATCH_EXE);
        for (const std::string& a : args) command += " " + Quote(a);
        const QString out = Path(QStringLiteral("stdout.txt"));
        const QString err = Path(QStringLiteral("stderr.txt"));
        QFile::remove(out);
        command += " " + (stdoutTo.empty() ? ">" + Quote(out.toStdString()) : stdoutTo) + " 2>" +
                   Quote(err.toStdString());
        const int status = std::system(command.c_str());
        ToolRun run;
        run.exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
        run.out = QFile::exists(out) ? ReadFile(out) : QByteArray();
        run.err = ReadFile(err).toStdString();
        return run;
    }

    // A session over three disc pictures, with the given text in place of the lines.
    QString WriteSession(const char* name, const std::string& lines, const std::string& images) {
        const std::string text = R"({"quandrel-session": 1, "edgeMode": 3, "measureLength": true,
            "measureArea": true, "lines": )" +
                                 lines + R"(, "images": )" + images + "}";
        const QString path = Path(QLatin1String(name));
        WriteFile(path, QByteArray::fromStdString(text));
        return path;
    }

    QTemporaryDir m_dir;
};
