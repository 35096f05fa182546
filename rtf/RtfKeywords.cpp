#include "rtf/RtfKeywords.h"

#include <array>
#include <cstdint>

namespace {

struct Entry {
    std::string_view name;
    Kw kw;
};

const Entry kEntries[] = {
    {"fonttbl", Kw::FontTable},
    {"colortbl", Kw::ColorTable},
    {"listtable", Kw::ListTable},
    {"list", Kw::List},
    {"listlevel", Kw::ListLevel},
    {"listoverridetable", Kw::ListOverrideTable},
    {"listoverride", Kw::ListOverride},
    {"pn", Kw::Pn},
    {"pict", Kw::Pict},
    {"shppict", Kw::ShpPict},
    {"field", Kw::Field},
    {"fldinst", Kw::FldInst},
    {"fldrslt", Kw::FldRslt},
    {"footnote", Kw::Footnote},
    {"upr", Kw::Upr},
    {"ud", Kw::Ud},
    {"levelnumbers", Kw::LevelNumbers},
    // Skipped whole: document data, page furniture, notes, the rendered
    // list numbers, pictures' stand-ins and objects' raw data.
    {"info", Kw::SkipDest},
    {"stylesheet", Kw::SkipDest},
    {"header", Kw::SkipDest},
    {"headerl", Kw::SkipDest},
    {"headerr", Kw::SkipDest},
    {"headerf", Kw::SkipDest},
    {"footer", Kw::SkipDest},
    {"footerl", Kw::SkipDest},
    {"footerr", Kw::SkipDest},
    {"footerf", Kw::SkipDest},
    {"annotation", Kw::SkipDest},
    {"atnid", Kw::SkipDest},
    {"atnauthor", Kw::SkipDest},
    {"atndate", Kw::SkipDest},
    {"atnref", Kw::SkipDest},
    {"xe", Kw::SkipDest},
    {"tc", Kw::SkipDest},
    {"txe", Kw::SkipDest},
    {"rxe", Kw::SkipDest},
    {"nonshppict", Kw::SkipDest},
    {"pntext", Kw::SkipDest},
    {"listtext", Kw::SkipDest},
    {"pntxtb", Kw::SkipDest},
    {"pntxta", Kw::SkipDest},
    {"pnseclvl", Kw::SkipDest},
    {"leveltext", Kw::LevelText},
    {"listname", Kw::SkipDest},
    {"objdata", Kw::SkipDest},
    {"objclass", Kw::SkipDest},
    {"objname", Kw::SkipDest},
    {"shpinst", Kw::SkipDest},
    {"ftnsep", Kw::SkipDest},
    {"ftnsepc", Kw::SkipDest},
    {"aftnsep", Kw::SkipDest},
    {"aftnsepc", Kw::SkipDest},
    {"ftncn", Kw::SkipDest},
    {"aftncn", Kw::SkipDest},
    {"template", Kw::SkipDest},
    {"themedata", Kw::SkipDest},
    {"datastore", Kw::SkipDest},
    {"do", Kw::SkipDest},
    {"bkmkstart", Kw::SkipDest},
    {"bkmkend", Kw::SkipDest},
    {"panose", Kw::SkipDest},
    {"falt", Kw::SkipDest},
    {"picprop", Kw::SkipDest},
    {"blipuid", Kw::SkipDest},
    {"pgdsctbl", Kw::SkipDest},
    {"revtbl", Kw::SkipDest},
    {"filetbl", Kw::SkipDest},
    {"rsidtbl", Kw::SkipDest},
    {"generator", Kw::SkipDest},
    {"xmlnstbl", Kw::SkipDest},
    {"latentstyles", Kw::SkipDest},
    {"colorschememapping", Kw::SkipDest},
    {"mmathPr", Kw::SkipDest},
    {"oldcprops", Kw::SkipDest},
    {"oldpprops", Kw::SkipDest},
    {"oldsprops", Kw::SkipDest},
    {"oldtprops", Kw::SkipDest},
    {"listpicture", Kw::SkipDest},
    {"userprops", Kw::SkipDest},
    {"docvar", Kw::SkipDest},
    {"fontemb", Kw::SkipDest},
    {"fontfile", Kw::SkipDest},
    {"nesttableprops", Kw::SkipDest},
    {"upr", Kw::SkipDest},

    {"ansi", Kw::Ansi},
    {"mac", Kw::Mac},
    {"pc", Kw::Pc},
    {"pca", Kw::Pca},
    {"ansicpg", Kw::AnsiCpg},
    {"deff", Kw::Deff},
    {"uc", Kw::Uc},
    {"u", Kw::U},
    {"bin", Kw::Bin},

    {"f", Kw::F},
    {"fcharset", Kw::FCharset},
    {"cpg", Kw::Cpg},
    {"red", Kw::Red},
    {"green", Kw::Green},
    {"blue", Kw::Blue},

    {"plain", Kw::Plain},
    {"b", Kw::B},
    {"i", Kw::I},
    {"ul", Kw::Ul},
    {"uld", Kw::UlDotted},
    {"ulthd", Kw::UlDotted},
    {"uldash", Kw::UlDash},
    {"ulldash", Kw::UlDash},
    {"ulthdash", Kw::UlDash},
    {"ulthldash", Kw::UlDash},
    {"uldashd", Kw::UlDashDot},
    {"ulthdashd", Kw::UlDashDot},
    {"uldashdd", Kw::UlDashDotDot},
    {"ulthdashdd", Kw::UlDashDotDot},
    {"ulwave", Kw::UlWave},
    {"ulhwave", Kw::UlWave},
    {"ululdbwave", Kw::UlWave},
    {"uldb", Kw::Ul},
    {"ulth", Kw::Ul},
    {"ulw", Kw::Ul},
    {"ulnone", Kw::UlNone},
    {"strike", Kw::Strike},
    {"striked", Kw::Strike},
    {"fs", Kw::Fs},
    {"cf", Kw::Cf},
    {"cb", Kw::Cb},
    {"chcbpat", Kw::Cb},
    {"highlight", Kw::Highlight},
    {"super", Kw::Super},
    {"sub", Kw::Sub},
    {"nosupersub", Kw::NoSuperSub},
    {"up", Kw::Up},
    {"dn", Kw::Dn},
    {"v", Kw::V},
    {"caps", Kw::Caps},
    {"scaps", Kw::Scaps},
    {"chftn", Kw::Chftn},

    {"pard", Kw::Pard},
    {"ql", Kw::Ql},
    {"qc", Kw::Qc},
    {"qr", Kw::Qr},
    {"qj", Kw::Qj},
    {"qd", Kw::Qj},
    {"li", Kw::Li},
    {"lin", Kw::Li},
    {"ri", Kw::Ri},
    {"rin", Kw::Ri},
    {"fi", Kw::Fi},
    {"sb", Kw::Sb},
    {"sa", Kw::Sa},
    {"sl", Kw::Sl},
    {"slmult", Kw::SlMult},
    {"outlinelevel", Kw::OutlineLevel},
    {"intbl", Kw::InTbl},
    {"ls", Kw::Ls},
    {"ilvl", Kw::Ilvl},
    {"rtlpar", Kw::RtlPar},
    {"ltrpar", Kw::LtrPar},

    {"par", Kw::Par},
    {"line", Kw::Line},
    {"tab", Kw::Tab},
    {"page", Kw::Page},
    {"sect", Kw::Sect},
    {"cell", Kw::Cell},
    {"row", Kw::Row},
    {"nestcell", Kw::NestCell},
    {"nestrow", Kw::NestRow},
    {"trowd", Kw::Trowd},
    {"cellx", Kw::Cellx},
    {"trleft", Kw::TrLeft},
    {"clmgf", Kw::ClMgf},
    {"clmrg", Kw::ClMrg},
    {"clvmgf", Kw::ClVmgf},
    {"clvmrg", Kw::ClVmrg},
    {"emdash", Kw::Emdash},
    {"endash", Kw::Endash},
    {"bullet", Kw::Bullet},
    {"lquote", Kw::Lquote},
    {"rquote", Kw::Rquote},
    {"ldblquote", Kw::Ldblquote},
    {"rdblquote", Kw::Rdblquote},
    {"emspace", Kw::Emspace},
    {"enspace", Kw::Enspace},
    {"qmspace", Kw::Qmspace},
    {"zwj", Kw::Zwj},
    {"zwnj", Kw::Zwnj},
    {"ltrmark", Kw::Ltrmark},
    {"rtlmark", Kw::Rtlmark},

    {"pnlvlblt", Kw::PnLvlBlt},
    {"pnlvlbody", Kw::PnLvlBody},
    {"pnlvl", Kw::PnLvl},
    {"pndec", Kw::PnDec},
    {"pnucltr", Kw::PnUcLtr},
    {"pnlcltr", Kw::PnLcLtr},
    {"pnucrm", Kw::PnUcRm},
    {"pnlcrm", Kw::PnLcRm},

    {"listid", Kw::ListId},
    {"levelnfc", Kw::LevelNfc},
    {"levelstartat", Kw::LevelStartAt},

    {"pngblip", Kw::PngBlip},
    {"jpegblip", Kw::JpegBlip},
    {"emfblip", Kw::OtherBlip},
    {"wmetafile", Kw::OtherBlip},
    {"macpict", Kw::OtherBlip},
    {"dibitmap", Kw::OtherBlip},
    {"wbitmap", Kw::OtherBlip},
    {"pmmetafile", Kw::OtherBlip},
    {"picwgoal", Kw::PicWGoal},
    {"pichgoal", Kw::PicHGoal},
    {"picscalex", Kw::PicScaleX},
    {"picscaley", Kw::PicScaleY},
};

// The entries by name in an open-addressing table: a large document has
// millions of control words, most of them two to five letters long.
class KeywordTable {
  public:
    KeywordTable() {
        slots_.fill(-1);
        letters_.fill(Kw::Unknown);
        for (int i = 0; i < int(std::size(kEntries)); ++i) {  // the first of a name counts
            const std::string_view name = kEntries[i].name;
            if (name.size() == 1) {
                Kw& kw = letters_[name[0] - 'a'];
                if (kw == Kw::Unknown) kw = kEntries[i].kw;
                continue;
            }
            std::size_t s = Hash(name);
            while (slots_[s] >= 0 && kEntries[slots_[s]].name != name)
                s = (s + 1) & Mask;
            if (slots_[s] < 0) slots_[s] = int16_t(i);
        }
    }
    Kw Find(std::string_view word) const {
        if (word.size() == 1)  // \u before every character of a Cyrillic text
            return word[0] >= 'a' && word[0] <= 'z' ? letters_[word[0] - 'a'] : Kw::Unknown;
        for (std::size_t s = Hash(word); slots_[s] >= 0; s = (s + 1) & Mask)
            if (kEntries[slots_[s]].name == word) return kEntries[slots_[s]].kw;
        return Kw::Unknown;
    }

  private:
    static constexpr std::size_t Size = 1024, Mask = Size - 1;
    static std::size_t Hash(std::string_view word) {  // FNV-1a
        uint32_t h = 2166136261u;
        for (const char c : word)
            h = (h ^ static_cast<unsigned char>(c)) * 16777619u;
        return h & Mask;
    }
    std::array<int16_t, Size> slots_;
    std::array<Kw, 26> letters_;  // the one-letter words
};

}  // namespace

Kw LookupKeyword(std::string_view word) {
    static const KeywordTable table;
    if (word.size() > 32) return Kw::Unknown;  // no control word is that long
    return table.Find(word);
}

bool IsDestination(Kw kw) {
    return kw >= Kw::FontTable && kw <= Kw::SkipDest;
}
