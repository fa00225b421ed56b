#pragma once

#include <QtGlobal>

namespace platform {

// Fixed numbers of the Word 97 binary format that DocWriter writes and DocReader reads: the
// stream names, the places of the fields both use in the file information block, and the
// property modifiers ("sprms") for the character and paragraph properties the notes carry.
namespace WordBinary {

inline constexpr const char* DocumentStream = "WordDocument";
inline constexpr const char* Table1Stream = "1Table";
inline constexpr const char* Table0Stream = "0Table";
inline constexpr const char* DataStream = "Data";

// Special characters of the text: an inline picture, and the marks of a field.
inline constexpr char16_t PictureMark = 0x01;
inline constexpr char16_t FieldBegin = 0x13;
inline constexpr char16_t FieldSeparator = 0x14;
inline constexpr char16_t FieldEnd = 0x15;
// The field type of a hyperlink, as the begin mark's descriptor names it.
inline constexpr quint16 HyperlinkField = 88;

inline constexpr quint16 Ident = 0xA5EC;
// Word 97 and its successors keep this value for the base of the block.
inline constexpr quint16 Word97Version = 0x00C1;
// Bytes of a formatted disk page (FKP) and the unit of page numbers.
inline constexpr int PageSize = 512;
// The piece descriptor's flag for text stored one byte a character (Windows-1252).
inline constexpr quint32 CompressedFlag = 0x40000000;

// File information block: offsets of fields in the WordDocument stream.
namespace Fib {
inline constexpr int Ident = 0x00;
inline constexpr int Version = 0x02;
inline constexpr int Flags = 0x0A;
inline constexpr quint16 EncryptedFlag = 0x0100;
inline constexpr quint16 WhichTableFlag = 0x0200;
inline constexpr int Csw = 0x20;
// Base of the long-value block (after csw and its words) for the fixed Word 97 layout.
inline constexpr int CcpText = 0x4C;
// Pairs of (offset, length) in the table stream follow the count of pairs at CbRgFcLcb.
inline constexpr int CbRgFcLcb = 0x98;
inline constexpr int FcLcbBase = 0x9A;
inline constexpr int Size = 0x384;
// Indexes of the (offset, length) pairs.
inline constexpr int Stshf = 1;
inline constexpr int PlcfSed = 6;
inline constexpr int PlcfBteChpx = 12;
inline constexpr int PlcfBtePapx = 13;
inline constexpr int SttbfFfn = 15;
inline constexpr int PlcfFldMom = 16;
inline constexpr int Dop = 31;
inline constexpr int Clx = 33;
inline constexpr int PlfLst = 73;
inline constexpr int PlfLfo = 74;
inline constexpr int PairCount = 93;
} // namespace Fib

// Property modifiers. The top three bits of each give the operand's size.
namespace Sprm {
inline constexpr quint16 CFBold = 0x0835;
inline constexpr quint16 CFItalic = 0x0836;
inline constexpr quint16 CFStrike = 0x0837;
inline constexpr quint16 CFDStrike = 0x2A53;
inline constexpr quint16 CKul = 0x2A3E;
inline constexpr quint16 CIco = 0x2A42;
inline constexpr quint16 CHps = 0x4A43;
inline constexpr quint16 CIss = 0x2A48;
inline constexpr quint16 CRgFtc0 = 0x4A4F;
inline constexpr quint16 CRgFtc1 = 0x4A50;
inline constexpr quint16 CRgFtc2 = 0x4A51;
inline constexpr quint16 CCv = 0x6870;
inline constexpr quint16 CIstd = 0x4A30;
inline constexpr quint16 CFSpec = 0x0855;
inline constexpr quint16 CPicLocation = 0x6A03;
inline constexpr quint16 PJc80 = 0x2403;
inline constexpr quint16 PJc = 0x2461;
inline constexpr quint16 PDxaRight80 = 0x840E;
inline constexpr quint16 PDxaLeft80 = 0x840F;
inline constexpr quint16 PDxaLeft180 = 0x8411;
inline constexpr quint16 PDxaRight = 0x845D;
inline constexpr quint16 PDxaLeft = 0x845E;
inline constexpr quint16 PDxaLeft1 = 0x8460;
inline constexpr quint16 PDyaLine = 0x6412;
inline constexpr quint16 PDyaBefore = 0xA413;
inline constexpr quint16 PDyaAfter = 0xA414;
inline constexpr quint16 PChgTabsPapx = 0xC60D;
inline constexpr quint16 PChgTabs = 0xC615;
inline constexpr quint16 PIlvl = 0x260A;
inline constexpr quint16 PIlfo = 0x460B;
inline constexpr quint16 TDefTable = 0xD608;
inline constexpr quint16 TDefTable10 = 0xD606;
inline constexpr quint16 SXaPage = 0xB01F;
inline constexpr quint16 SYaPage = 0xB020;
inline constexpr quint16 SDxaLeft = 0xB021;
inline constexpr quint16 SDxaRight = 0xB022;
inline constexpr quint16 SDyaTop = 0x9023;
inline constexpr quint16 SDyaBottom = 0x9024;
} // namespace Sprm

// Underline kinds of CKul.
namespace Kul {
inline constexpr quint8 None = 0;
inline constexpr quint8 Single = 1;
inline constexpr quint8 Words = 2;
inline constexpr quint8 Double = 3;
inline constexpr quint8 Dotted = 4;
inline constexpr quint8 Thick = 6;
inline constexpr quint8 Dash = 7;
} // namespace Kul

// The sixteen colours of CIco, from index 1 (0 is "auto"), as 0xRRGGBB.
inline constexpr quint32 IcoColors[16]
    = { 0x000000, 0x0000FF, 0x00FFFF, 0x00FF00, 0xFF00FF, 0xFF0000, 0xFFFF00, 0xFFFFFF, 0x000080,
          0x008080, 0x008000, 0x800080, 0x800000, 0x808000, 0x808080, 0xC0C0C0 };

} // namespace WordBinary

} // namespace platform
