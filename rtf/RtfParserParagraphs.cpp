// The RTF reader's paragraph, list, table and picture control words.
#include <algorithm>

#include "rtf/RtfParser.h"

void RtfParser::OnParaWord(Kw kw, bool hasParam, int param) {
    RtfGroup& g = Top();
    RtfParaState& p = g.para;
    switch (kw) {
        case Kw::Pard: {
            const int note = p.note;  // a note's paragraphs stay in it
            p = RtfParaState{};
            p.note = note;
            break;
        }
        case Kw::RtlPar:
            p.rtl = true;
            break;
        case Kw::LtrPar:
            p.rtl = false;
            break;
        case Kw::Ql:
            p.align = 0;
            break;
        case Kw::Qc:
            p.align = 1;
            break;
        case Kw::Qr:
            p.align = 2;
            break;
        case Kw::Qj:
            p.align = 3;
            break;
        case Kw::Li:
            p.left = param;
            break;
        case Kw::Ri:
            p.right = param;
            break;
        case Kw::Fi:
            p.first = param;
            break;
        case Kw::Sb:
            p.before = param;
            break;
        case Kw::Sa:
            p.after = param;
            break;
        case Kw::Sl:
            p.lineSpacing = param;
            break;
        case Kw::SlMult:
            p.lineMultiple = ToggleOn(hasParam, param);
            break;
        case Kw::OutlineLevel:
            p.outline = param;
            break;
        case Kw::InTbl:  // a table in a footnote keeps its text
            p.inTable = ToggleOn(hasParam, param) && p.note == 0;
            break;
        case Kw::Ls:
            if (g.dest == RtfDest::ListOverrideTable)
                listTable_.SetOverrideNumber(param);
            else
                p.ls = param;
            break;
        case Kw::Ilvl:
            p.ilvl = std::clamp(param, 0, 8);
            break;
        case Kw::ListId:
            if (g.dest == RtfDest::ListTable) listTable_.SetListId(param);
            if (g.dest == RtfDest::ListOverrideTable) listTable_.SetOverrideListId(param);
            break;
        case Kw::LevelNfc:
            if (g.dest == RtfDest::ListTable) listTable_.SetLevelNfc(param);
            break;
        case Kw::PnLvlBlt:
            p.pn = RtfNumbering::Bullet;
            break;
        case Kw::PnLvlBody:
            p.pn = RtfNumbering::Decimal;
            break;
        case Kw::PnLvl:
            p.pn = RtfNumbering::Decimal;
            p.pnLevel = std::clamp(param, 1, 9) - 1;
            break;
        case Kw::PnDec:
        case Kw::PnUcLtr:
        case Kw::PnLcLtr:
        case Kw::PnUcRm:
        case Kw::PnLcRm:
            if (g.dest == RtfDest::Pn && p.pn != RtfNumbering::Bullet) {
                p.pn = kw == Kw::PnDec     ? RtfNumbering::Decimal
                       : kw == Kw::PnUcLtr ? RtfNumbering::UpperAlpha
                       : kw == Kw::PnLcLtr ? RtfNumbering::LowerAlpha
                       : kw == Kw::PnUcRm  ? RtfNumbering::UpperRoman
                                           : RtfNumbering::LowerRoman;
            }
            break;
        default:
            break;
    }
}

void RtfParser::OnTableWord(Kw kw, int param) {
    const RtfGroup& g = Top();
    const bool text = g.dest == RtfDest::Text;
    switch (kw) {
        case Kw::Par:
            if (text) EndParagraph();
            break;
        case Kw::Page:
        case Kw::Sect:
            if (text && (Out().ParagraphHasContent() || !run_.isEmpty())) EndParagraph();
            break;
        case Kw::Cell:
            // A cell mark outside any table separates like a tab.
            if (text && (g.para.inTable || Out().InTable()))
                EndCell();
            else
                EmitChar(u'\t');
            break;
        case Kw::NestCell:
        case Kw::NestRow:  // a table inside a cell keeps its text, a paragraph a cell
            if (text) EndParagraph();
            break;
        case Kw::Row:
            if (!text) break;
            FlushRun();
            Out().EndRow();
            break;
        case Kw::Trowd:
            Out().Row().Reset();
            break;
        case Kw::TrLeft:
            Out().Row().left = param;
            break;
        case Kw::Cellx:
            Out().Row().AddCell(param);
            break;
        case Kw::ClMgf:
            Out().Row().pending |= RtfRowDef::MergeFirst;
            break;
        case Kw::ClMrg:
            Out().Row().pending |= RtfRowDef::Merged;
            break;
        case Kw::ClVmgf:
            Out().Row().pending |= RtfRowDef::VMergeFirst;
            break;
        case Kw::ClVmrg:
            Out().Row().pending |= RtfRowDef::VMerged;
            break;
        case Kw::PngBlip:
            if (g.dest == RtfDest::Pict) picture_.SetKind(RtfPicture::Kind::Png);
            break;
        case Kw::JpegBlip:
            if (g.dest == RtfDest::Pict) picture_.SetKind(RtfPicture::Kind::Jpeg);
            break;
        case Kw::OtherBlip:
            if (g.dest == RtfDest::Pict) picture_.SetKind(RtfPicture::Kind::Other);
            break;
        case Kw::PicWGoal:
            picture_.SetGoalWidth(param);
            break;
        case Kw::PicHGoal:
            picture_.SetGoalHeight(param);
            break;
        case Kw::PicScaleX:
            picture_.SetScaleX(param);
            break;
        case Kw::PicScaleY:
            picture_.SetScaleY(param);
            break;
        default:
            break;
    }
}
