#pragma once
// For tests of anything that reads the settings or the language table: a
// GKAppSetting on a temporary data folder, with a settings file for the
// edition the test chooses, and the shipped language file loaded.
//
//   ShellTestEnv env;                       // edition 0, English texts
//   ShellTestEnv env({/*edition*/ 65});     // edition 65
//   ShellTestEnv::Options o; o.edition = 43; o.curpro = 1; ShellTestEnv env(o);
//   GKAppSetting::instance() == env.settings(); TextTable::text(4) == "OK"
//
// The destructor deletes the settings object and frees the language table.
// Link the target vl_shell_test_env; a QCoreApplication (or QApplication)
// must exist (KIND gtest-qt).
#include "shell/GKAppSetting.h"
#include "shell/TextTable.h"

#include <QByteArray>
#include <QDir>
#include <QFile>
#include <QString>
#include <QStringList>
#include <QTemporaryDir>

// What the settings file of a ShellTestEnv says.
struct ShellTestOptions {
    int edition = 0;
    // The language files the settings file lists, in order.
    QStringList languageFiles { QStringLiteral("ENU.xml"), QStringLiteral("CHS.xml") };
    int cursel = 0; // position in languageFiles; -1 leaves the attribute out
    int curpro = 0; // configured protocol; -1 leaves the protocol element out
    QString passwordHex; // edition 65: a <Password> element when not empty
    bool loadLanguage = true;
};

class ShellTestEnv
{
public:
    using Options = ShellTestOptions;

    explicit ShellTestEnv(const Options& options = Options())
    {
        const QString data = m_dir.path() + QStringLiteral("/data");
        QDir().mkpath(data);
        QFile file(data + QStringLiteral("/config.xml"));
        if (file.open(QIODevice::WriteOnly))
            file.write(configText(options));
        file.close();
        m_settings = GKAppSetting::createTempInstance(data, programDir());
        m_settings->loadConfig();
        if (options.loadLanguage)
            m_settings->loadLanguage();
    }

    ~ShellTestEnv()
    {
        TextTable::free();
        GKAppSetting::resetInstance();
    }

    ShellTestEnv(const ShellTestEnv&) = delete;
    ShellTestEnv& operator=(const ShellTestEnv&) = delete;

    GKAppSetting* settings() const { return m_settings; }
    QString dataDir() const { return m_settings->dataDir(); }
    QString tempDir() const { return m_dir.path(); }

    // The folder with the shipped data files (config.xml, Language/): the
    // build's bin folder.
    static QString programDir()
    {
        const QString fromEnv = qEnvironmentVariable("VL_BUILD_BIN");
        return fromEnv.isEmpty() ? QStringLiteral(VL_TEST_BUILD_BIN) : fromEnv;
    }

    // A settings file in the shipped layout.
    static QByteArray configText(const Options& o)
    {
        QByteArray text = "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<Config>\n    <Language>\n";
        if (o.cursel >= 0)
            text += "        <Current cursel=\"" + QByteArray::number(o.cursel) + "\"/>\n";
        for (const QString& f : o.languageFiles)
            text += "        <File name=\"" + f.toUtf8() + "\"/>\n";
        text += "    </Language>\n    <Company>" + QByteArray::number(o.edition) + "</Company>\n";
        text += "    <Version>1.0.0</Version>\n";
        if (!o.passwordHex.isEmpty())
            text += "    <Password>" + o.passwordHex.toLatin1() + "</Password>\n";
        if (o.curpro >= 0)
            text += "    <Protocol curpro=\"" + QByteArray::number(o.curpro) + "\"/>\n";
        text += "</Config>\n";
        return text;
    }

private:
    QTemporaryDir m_dir;
    GKAppSetting* m_settings = nullptr;
};
