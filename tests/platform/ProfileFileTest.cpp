#include "platform/ProfileFile.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>
#include <QDir>
#include <QFile>
#include <functional>

#include "core/DateTime.h"
#include "core/Error.h"
#include "core/Formats.h"
#include "core/Log.h"
#include "core/Win1251.h"
#include "platform/InstanceLock.h"
#include "tests/support/TempDir.h"

using namespace ProfileFile;

namespace {

const QString S = QStringLiteral("Main");

// The message of the EQuillet `write` throws, or "" when it throws none.
template <typename F>
QString errorOf(F write) {
    try {
        write();
    } catch (const EQuillet& e) {
        return e.message();
    }
    return {};
}

}  // namespace

TEST(ProfileFile, MissingFileSectionOrKeyReadsAsDefault) {
    TempDir d;
    const QString ini = d.file("q.ini");
    EXPECT_EQ(ReadString(ini, S, "Key", "def"), "def");
    EXPECT_EQ(ReadInteger(ini, S, "Key", 7), 7);
    EXPECT_FALSE(QFile::exists(ini));  // reading creates nothing

    WriteFile(ini,
              "Key=top\r\n"  // before any section: belongs to none
              "[Other]\r\nKey=other\r\n"
              "[Main]\r\n"
              ";Key=comment\r\n"
              "Key\r\n"  // no '=': not a key
              "Empty=\r\n"
              "[Last]\r\nKey=last\r\n");
    EXPECT_EQ(ReadString(ini, S, "Key", "def"), "def");
    EXPECT_EQ(ReadString(ini, "None", "Key", "def"), "def");
    EXPECT_EQ(ReadString(ini, S, "Empty", "def"), "");  // present but empty
    EXPECT_EQ(ReadString(ini, "Other", "Key", "def"), "other");
    EXPECT_EQ(ReadString(ini, "Last", "Key", "def"), "last");
    // A folder is no file.
    EXPECT_EQ(ReadString(d.path(), S, "Key", "def"), "def");
}

TEST(ProfileFile, NamesIgnoreCaseFirstMatchWinsValuesAreTrimmed) {
    TempDir d;
    const QString ini = d.file("q.ini");
    WriteFile(ini, ToWin1251(QStringLiteral("[main]\n"
                                            "Width=1\n"
                                            "WIDTH=2\n"
                                            "  Spaced  =  a value  \r\n"
                                            "Dq=\"  quoted \"\n"
                                            "Sq='single'\n"
                                            "Mixed=\"odd'\n"
                                            "Lone=\"\n"
                                            "\t[ Настройки ]\t\r\n"
                                            "Цвет=красный\r\n"
                                            "[MAIN]\n"
                                            "Height=5\n")));
    EXPECT_EQ(ReadInteger(ini, "MAIN", "width", 0), 1);
    EXPECT_EQ(ReadString(ini, "Main", " spaced ", ""), "a value");
    EXPECT_EQ(ReadString(ini, S, "Dq", ""), "  quoted ");
    EXPECT_EQ(ReadString(ini, S, "Sq", ""), "single");
    EXPECT_EQ(ReadString(ini, S, "Mixed", ""), "\"odd'");
    EXPECT_EQ(ReadString(ini, S, "Lone", ""), "\"");
    EXPECT_EQ(ReadString(ini, QStringLiteral("НАСТРОЙКИ"), QStringLiteral("цВЕТ"), ""),
              QStringLiteral("красный"));
    // Only the first of two like-named sections is looked in.
    EXPECT_EQ(ReadInteger(ini, S, "Height", -1), -1);
}

TEST(ProfileFile, WriteReplacesInPlaceAndKeepsEverythingElse) {
    TempDir d;
    const QString ini = d.file("q.ini");
    const QByteArray before =
        "; settings\n"
        "\n"
        "[Main]\r\n"
        "  width = 10 \r\n"
        "junk line\n"
        "Height=20\n"
        "\n"
        "[Other]\n"
        "Width=30";
    WriteFile(ini, before);
    WriteInteger(ini, "MAIN", "WIDTH", 11);
    WriteInteger(ini, "other", "width", 31);  // the last line had no break
    EXPECT_EQ(ReadFile(ini),
              "; settings\n"
              "\n"
              "[Main]\r\n"
              "width=11\r\n"
              "junk line\n"
              "Height=20\n"
              "\n"
              "[Other]\n"
              "Width=31\r\n");
    EXPECT_EQ(ReadInteger(ini, S, "Width", 0), 11);

    // The old file's permissions are kept; no temporary file stays behind.
    ASSERT_EQ(::chmod(QFile::encodeName(ini).constData(), 0640), 0);
    WriteString(ini, S, "Height", "21");
    struct stat st;
    ASSERT_EQ(::stat(QFile::encodeName(ini).constData(), &st), 0);
    EXPECT_EQ(st.st_mode & 07777, 0640u);
    EXPECT_EQ(QDir(d.path()).entryList(QDir::Files | QDir::Hidden), QStringList{"q.ini"});
}

TEST(ProfileFile, WriteAppendsKeyToItsSectionOrANewSection) {
    TempDir d;
    const QString ini = d.file("q.ini");
    // A missing file is created.
    WriteString(ini, S, "A", "1");
    EXPECT_EQ(ReadFile(ini), "[Main]\r\nA=1\r\n");

    WriteFile(ini,
              "[Main]\n"
              "A=1\n"
              "; end of main\n"
              "\n"
              "\n"
              "[Other]\n"
              "B=2");
    WriteString(ini, "main", "New", "x");
    WriteString(ini, "Third", "C", "3");
    EXPECT_EQ(ReadFile(ini),
              "[Main]\n"
              "A=1\n"
              "; end of main\n"
              "New=x\r\n"
              "\n"
              "\n"
              "[Other]\n"
              "B=2\r\n"
              "\r\n"
              "[Third]\r\n"
              "C=3\r\n");
    // A section whose only line is its header; a file ending in a blank line
    // gets no second one.
    WriteFile(ini, "[Main]\n\n");
    WriteString(ini, S, "A", "1");
    WriteString(ini, "Next", "B", "2");
    EXPECT_EQ(ReadFile(ini), "[Main]\nA=1\r\n\n[Next]\r\nB=2\r\n");
    // A line break in a value cannot split the line.
    WriteString(ini, S, "A", "two\r\nlines");
    EXPECT_EQ(ReadString(ini, S, "A", ""), "two  lines");
    EXPECT_EQ(ReadString(ini, S, "lines", "none"), "none");
}

TEST(ProfileFile, TextIsWindows1251) {
    TempDir d;
    const QString ini = d.file("q.ini");
    WriteString(ini, QStringLiteral("Заметки"), QStringLiteral("Ключ"), QStringLiteral("Ёлка №1"));
    EXPECT_EQ(ReadFile(ini), QByteArray("[\xC7\xE0\xEC\xE5\xF2\xEA\xE8]\r\n"
                                        "\xCA\xEB\xFE\xF7=\xA8\xEB\xEA\xE0 \xB9"
                                        "1\r\n"));
    EXPECT_EQ(ReadString(ini, QStringLiteral("заметки"), QStringLiteral("КЛЮЧ"), ""),
              QStringLiteral("Ёлка №1"));
    // Characters the code page lacks are stored as '?' and the name still
    // finds its line.
    WriteString(ini, QStringLiteral("Заметки"), QStringLiteral("Знак★"), QStringLiteral("a★"));
    EXPECT_EQ(ReadString(ini, QStringLiteral("Заметки"), QStringLiteral("Знак★"), ""), "a?");
    WriteString(ini, QStringLiteral("Заметки"), QStringLiteral("Знак★"), "b");
    EXPECT_EQ(ReadString(ini, QStringLiteral("Заметки"), QStringLiteral("Знак?"), ""), "b");
}

TEST(ProfileFile, IntegerAndBoolForms) {
    TempDir d;
    const QString ini = d.file("q.ini");
    WriteFile(ini,
              "[Main]\n"
              "Dec=42\nNeg=-17\nPlus=+5\nZeros=007\n"
              "Hex=0x2\nHexUp=0X1F\nHexMax=0x7FFFFFFF\n"
              "Max=2147483647\nMin=-2147483648\n"
              "Over=2147483648\nUnder=-2147483649\nHexOver=0x80000000\nLong=99999999999999999999\n"
              "Bare0x=0x\nNegHex=-0x1\nBadHex=0xG\nTail=12abc\nFrac=1.5\nEmpty=\nSign=-\n"
              "Inner=1 2\nQuoted=\"12\"\n"
              "True=1\nTwo=2\nMinus=-1\nFalse=0\nHexTrue=0x10\nWord=yes\n");
    auto i = [&](const char* key) { return ReadInteger(ini, S, key, -999); };
    EXPECT_EQ(i("Dec"), 42);
    EXPECT_EQ(i("Neg"), -17);
    EXPECT_EQ(i("Plus"), 5);
    EXPECT_EQ(i("Zeros"), 7);
    EXPECT_EQ(i("Hex"), 2);
    EXPECT_EQ(i("HexUp"), 31);
    EXPECT_EQ(i("HexMax"), 2147483647);
    EXPECT_EQ(i("Max"), 2147483647);
    EXPECT_EQ(i("Min"), -2147483647 - 1);
    EXPECT_EQ(i("Quoted"), 12);
    for (const char* bad : {"Over", "Under", "HexOver", "Long", "Bare0x", "NegHex", "BadHex",
                            "Tail", "Frac", "Empty", "Sign", "Inner", "Missing"})
        EXPECT_EQ(i(bad), -999) << bad;

    for (const char* yes : {"True", "Two", "Minus", "HexTrue"}) {
        EXPECT_TRUE(ReadBool(ini, S, yes, false)) << yes;
    }
    EXPECT_FALSE(ReadBool(ini, S, "False", true));
    for (const char* bad : {"Word", "Empty", "Tail", "Missing"}) {
        EXPECT_TRUE(ReadBool(ini, S, bad, true)) << bad;
        EXPECT_FALSE(ReadBool(ini, S, bad, false)) << bad;
    }

    WriteInteger(ini, S, "Dec", -2147483647 - 1);
    WriteBool(ini, S, "True", false);
    WriteBool(ini, S, "False", true);
    const QByteArray text = ReadFile(ini);
    EXPECT_TRUE(text.contains("\nDec=-2147483648\r\n"));
    EXPECT_TRUE(text.contains("\nTrue=0\r\n"));
    EXPECT_TRUE(text.contains("\nFalse=1\r\n"));
}

TEST(ProfileFile, TimeForms) {
    const QLocale saved = FormatLocale();
    SetFormatLocale(QLocale(QLocale::Russian, QLocale::Russia));
    TempDir d;
    const QString ini = d.file("q.ini");
    const TDateTime def = EncodeTime(1, 2, 3, 0);
    WriteTime(ini, S, "Start", EncodeTime(10, 0, 0, 0));
    EXPECT_EQ(ReadFile(ini), "[Main]\r\nStart=10:00:00\r\n");
    EXPECT_DOUBLE_EQ(ReadTime(ini, S, "Start", def), EncodeTime(10, 0, 0, 0));

    WriteFile(ini, "[Main]\nShort=9:05\nBad=25:99\nWord=noon\nEmpty=\n");
    EXPECT_DOUBLE_EQ(ReadTime(ini, S, "Short", def), EncodeTime(9, 5, 0, 0));
    for (const char* bad : {"Bad", "Word", "Empty", "Missing"})
        EXPECT_DOUBLE_EQ(ReadTime(ini, S, bad, def), def) << bad;
    SetFormatLocale(saved);
}

TEST(ProfileFile, RefusedWriteThrowsAndLeavesTheFileAlone) {
    TempDir d;
    const QString plain = d.file("plain");
    WriteFile(plain, "[Main]\r\nA=1\r\n");

    const QString underFile = plain + "/q.ini";
    EXPECT_EQ(errorOf([&] { WriteString(underFile, S, "A", "2"); }),
              "Unable to write to " + underFile);
    EXPECT_EQ(errorOf([&] { WriteInteger(d.path(), S, "A", 2); }),
              "Unable to write to " + d.path());
    const QString sub = d.file("sub");
    ASSERT_TRUE(QDir().mkdir(sub));
    EXPECT_EQ(errorOf([&] { WriteBool(sub, S, "A", true); }), "Unable to write to " + sub);

    EXPECT_EQ(ReadFile(plain), "[Main]\r\nA=1\r\n");
    EXPECT_EQ(QDir(d.path()).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot),
              (QStringList{"plain", "sub"}));
    EXPECT_TRUE(QDir(sub).isEmpty(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot));
}

TEST(ProfileFile, TheSettingsTheLogAndTheLockAreNeverWrittenThroughALink) {
    TempDir d;  // open to others, as a folder the server's user may write to
    const QString elsewhere = d.file("elsewhere");
    WriteFile(elsewhere, "not ours\n");
    const QString nothing = d.file("nothing");
    const auto otherUsers = [](const QString& ini) {
        WriteFile(ini, "[Main]\r\nA=1\r\n");
        const QByteArray p = QFile::encodeName(ini);
        return ::getuid() == 0 && ::chown(p.constData(), 65534, 65534) == 0;
    };
    const struct {
        const char* name;
        std::function<bool(const QString&)> plant;  // false: not possible here
    } cases[] = {
        {"a link to a file elsewhere", [&](const QString& f) { return QFile::link(elsewhere, f); }},
        {"a link to nothing", [&](const QString& f) { return QFile::link(nothing, f); }},
        {"a second name of a file elsewhere",
         [&](const QString& f) {
             return ::link(QFile::encodeName(elsewhere), QFile::encodeName(f)) == 0;
         }},
        {"another user's file", otherUsers},
    };
    int n = 0;
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const QString ini = d.file(QStringLiteral("q%1.ini").arg(++n));
        if (!c.plant(ini)) continue;
        struct stat before, after;
        ASSERT_EQ(::lstat(QFile::encodeName(ini), &before), 0);
        EXPECT_EQ(errorOf([&] { WriteString(ini, S, "A", "2"); }), "Unable to write to " + ini);
        ASSERT_EQ(::lstat(QFile::encodeName(ini), &after), 0);
        EXPECT_EQ(after.st_ino, before.st_ino) << "the name still holds what was planted";
        EXPECT_EQ(after.st_uid, before.st_uid);
        EXPECT_EQ(after.st_mode, before.st_mode);
    }
    EXPECT_EQ(ReadFile(elsewhere), "not ours\n");
    EXPECT_FALSE(QFile::exists(nothing));

    // The log and the single-instance lock, under a planted link.
    const QByteArray oldState = qgetenv("XDG_STATE_HOME"), oldRuntime = qgetenv("XDG_RUNTIME_DIR");
    qputenv("XDG_STATE_HOME", QFile::encodeName(d.path()));
    ASSERT_TRUE(QDir().mkdir(d.file("quillet")));
    ASSERT_TRUE(QFile::link(elsewhere, LogFilePath()));
    WriteLog(QStringLiteral("в чужой файл"));
    TempDir runtime;
    ::chmod(QFile::encodeName(runtime.path()), 0700);
    qputenv("XDG_RUNTIME_DIR", QFile::encodeName(runtime.path()));
    ASSERT_TRUE(QFile::link(elsewhere, runtime.file("ZT_Planted.lock")));
    QString problem;
    EXPECT_TRUE(InstanceLock::ProbeAlreadyRunning(QStringLiteral("ZT_Planted"), &problem));
    EXPECT_TRUE(problem.contains(QStringLiteral("символическая ссылка"))) << problem.toStdString();
    qputenv("XDG_STATE_HOME", oldState);
    qputenv("XDG_RUNTIME_DIR", oldRuntime);
    EXPECT_EQ(ReadFile(elsewhere), "not ours\n");
}
