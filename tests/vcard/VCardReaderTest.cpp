// The vCard reader on files in the shapes phones and mail programs write
// (kept in tests/vcard/samples), and on broken files, whose message names
// the line.
#include <gtest/gtest.h>

#include <QFile>

#include "core/Error.h"
#include "vcard/VCardReader.h"

namespace {

QByteArray sample(const char* name) {
    QFile f(QStringLiteral(QUILLET_SOURCE_DIR "/tests/vcard/samples/") + QLatin1String(name));
    EXPECT_TRUE(f.open(QIODevice::ReadOnly)) << name;
    return f.readAll();
}

using Date = std::optional<VCardDate>;

struct Expected {
    const char* fullName;
    Date birthday, anniversary;
    const char* uid = "";
};

void expectContacts(const char* file, const std::vector<Expected>& expected) {
    const QByteArray bytes = sample(file);
    EXPECT_TRUE(LooksLikeVCard(bytes)) << file;
    const std::vector<VCardContact> contacts = ReadVCards(bytes);
    ASSERT_EQ(contacts.size(), expected.size()) << file;
    for (size_t i = 0; i < contacts.size(); ++i) {
        const VCardContact& c = contacts[i];
        const Expected& e = expected[i];
        EXPECT_EQ(c.fullName, QString::fromUtf8(e.fullName)) << file << " #" << i;
        EXPECT_EQ(c.birthday, e.birthday) << file << " " << e.fullName;
        EXPECT_EQ(c.anniversary, e.anniversary) << file << " " << e.fullName;
        EXPECT_EQ(c.uid, QString::fromUtf8(e.uid)) << file << " " << e.fullName;
    }
}

}  // namespace

TEST(VCardReader, ReadsWhatPhonesAndMailProgramsWrite) {
    // Version 2.1 from a phone: quoted-printable UTF-8 with soft line
    // breaks inside a byte's code, a photo whose data runs on unindented up
    // to a blank line, a contact without a birthday, an older phone's
    // Windows-1251 name given by N alone.
    expectContacts("android-2.1.vcf", {{"Иван Петров", VCardDate{1975, 3, 8}, {}},
                                       {"Сантехник", {}, {}},
                                       {"Олег", VCardDate{1980, 2, 29}, {}}});
    // Version 3.0 from an address book: a birthday without a year written
    // in the year 1604, folded lines, an escaped comma, a time of day after
    // the date, a contact named by its organisation, Evolution's anniversary.
    expectContacts("iphone-3.0.vcf", {{"Мария Смирнова", VCardDate{0, 11, 23}, {}},
                                      {"Пётр Орлов, инженер",
                                       VCardDate{1990, 2, 28},
                                       {},
                                       "5E7F1C9A-1B2C-4D5E-8F90-ABCDEF012345"},
                                      {"Автосервис «Колесо»", {}, VCardDate{2001, 5, 20}}});
    // Version 4.0 with Unix line ends: a birthday without a year, an
    // anniversary, an inline photo, a birthday given as text (no date).
    expectContacts("thunderbird-4.0.vcf",
                   {{"Анна Петрова", VCardDate{0, 3, 8}, VCardDate{2005, 9, 17},
                     "urn:uuid:4fbe8971-0bc3-424c-9c26-36c3e1eff6b1"},
                    {"Dr. John Doe", {}, {}},
                    {"Светлана", VCardDate{1985, 6, 15}, {}}});
}

TEST(VCardReader, BrokenFilesNameTheLine) {
    const struct {
        const char* text;
        const char* message;
    } cases[] = {
        {"BEGIN:VCARD\r\nFN:Иван\r\n", "Строка 1: карточка, начатая здесь, не закончена"},
        {"\r\nFN:Иван\r\nBEGIN:VCARD\r\nEND:VCARD\r\n", "Строка 2: «FN:Иван» стоит вне карточки"},
        {"BEGIN:VCARD\r\nVERSION:3.0\r\nFN Иван\r\nEND:VCARD\r\n", "Строка 3: нет двоеточия"},
        {"BEGIN:VCARD\r\nBDAY:1975-13-01\r\nEND:VCARD\r\n", "Строка 2: такого дня нет"},
        {"BEGIN:VCARD\r\nBDAY:--0230\r\nEND:VCARD\r\n", "Строка 2: такого дня нет"},
        {"BEGIN:VCARD\r\nBDAY:08.03.1975\r\nEND:VCARD\r\n", "Строка 2: непонятная дата"},
        {"BEGIN:VCARD\r\nFN:A\r\nBEGIN:VCARD\r\n",
         "Строка 3: новая карточка внутри карточки из строки 1"},
        {"BEGIN:VCARD\nNOTE:a\n b\n c\nANNIVERSARY:x\nEND:VCARD\n", "Строка 5: непонятная дата"},
        {"BEGIN:VCARD\rNOTE;ENCODING=QUOTED-PRINTABLE:a=\rb=\rc\rBDAY:1\rEND:VCARD\r",
         "Строка 5: непонятная дата"},
        {"BEGIN:VCARD\r\n;X=1:y\r\nEND:VCARD\r\n", "Строка 2: нет имени свойства"},
    };
    for (const auto& c : cases) {
        try {
            ReadVCards(QByteArray(c.text));
            ADD_FAILURE() << "read: " << c.text;
        } catch (const EQuillet& e) {
            EXPECT_TRUE(e.message().startsWith(QString::fromUtf8(c.message)))
                << e.message().toStdString();
        }
    }
    EXPECT_TRUE(ReadVCards("").empty());
    EXPECT_FALSE(LooksLikeVCard("BEGIN:VCALENDAR\r\n"));
    EXPECT_TRUE(LooksLikeVCard("\xEF\xBB\xBF\r\n begin:vcard\r\n"));
}
