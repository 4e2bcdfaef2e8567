#include <gtest/gtest.h>

#include "TestSupport.h"
#include "core/Errors.h"
#include "core/IniDocument.h"

namespace kelo {
namespace {

const test::IconvTextCodec kCodec;

TEST(IniDocumentNames, SectionAndKeyMatchWithoutRegardToCase) {
    IniDocument doc(kCodec, "[setup]\r\nSETUPBOOL=1\r\n");
    EXPECT_EQ(doc.Read("Setup", "SetupBool"), "1");
    EXPECT_EQ(doc.Read("SETUP", "setupbool"), "1");
    EXPECT_FALSE(doc.Read("Date", "SetupBool").has_value());
    EXPECT_FALSE(doc.Read("Setup", "Setup").has_value());
}

// As the system's profile functions read a file: one pair of enclosing quotes is no part
// of the value, and of two equal keys in a section the first counts.
TEST(IniDocumentNames, QuotesAreDroppedAndTheFirstOfEqualKeysCounts) {
    IniDocument doc(kCodec, "[Setup]\r\nSoundPath=\"C:\\a b.wav\"\r\nStart=5\r\nstart=9\r\n");
    EXPECT_EQ(doc.Read("Setup", "SoundPath"), "C:\\a b.wav");
    EXPECT_EQ(doc.Read("Setup", "Start"), "5");
}

TEST(IniDocumentNames, KeyOfOneSectionIsNotFoundInAnother) {
    IniDocument doc(kCodec, "[Setup]\r\nStart=9\r\n[Date]\r\nSumTime=1:2:3\r\n");
    EXPECT_EQ(doc.Read("Setup", "Start"), "9");
    EXPECT_FALSE(doc.Read("Date", "Start").has_value());
    EXPECT_EQ(doc.ReadString("Date", "Start", "none"), "none");
}

TEST(IniDocumentWrite, FirstWriteToEmptyFileGivesSectionAndKeyWithCrLf) {
    IniDocument doc(kCodec);
    doc.WriteBool("Setup", "SetupBool", false);
    EXPECT_EQ(doc.Bytes(), "[Setup]\r\nSetupBool=0\r\n");
}

TEST(IniDocumentWrite, ExistingKeyChangesInPlaceOtherLinesKeepTheirBytes) {
    const std::string before =
        "; written by hand\r\n[Setup]\r\nStart = 15\r\nsetupbool=1\r\n\r\n[Date]\nSumTime=3:0:0\n";
    IniDocument doc(kCodec, before);
    doc.Write("SETUP", "SetupBool", "0");
    const std::string after = doc.Bytes();
    EXPECT_EQ(after.find("; written by hand\r\n[Setup]\r\nStart = 15\r\n"), 0u) << after;
    EXPECT_NE(after.find("\r\n\r\n[Date]\nSumTime=3:0:0\n"), std::string::npos) << after;
    EXPECT_EQ(after.size(), before.size());  // one line changed, none added
    IniDocument again(kCodec, after);
    EXPECT_EQ(again.Read("Setup", "SetupBool"), "0");
    EXPECT_EQ(again.Read("Setup", "Start"), "15");
}

TEST(IniDocumentWrite, NewKeyGoesAfterTheLastKeyOfItsSection) {
    IniDocument doc(kCodec, "[Setup]\r\nStart=21\r\n\r\n[Date]\r\nSumTime=1:0:0\r\n");
    doc.Write("setup", "Sound", "1");
    EXPECT_EQ(doc.Bytes(), "[Setup]\r\nStart=21\r\nSound=1\r\n\r\n[Date]\r\nSumTime=1:0:0\r\n");
}

TEST(IniDocumentWrite, NewSectionGoesToTheEndOfTheFile) {
    IniDocument doc(kCodec, "[Setup]\r\nStart=21\r\n");
    doc.Write("Date", "Period", "2024-02-21");
    const std::string bytes = doc.Bytes();
    EXPECT_EQ(bytes.find("[Setup]\r\nStart=21\r\n"), 0u);
    EXPECT_LT(bytes.find("Start=21"), bytes.find("[Date]"));
    EXPECT_EQ(bytes.substr(bytes.size() - 27), "[Date]\r\nPeriod=2024-02-21\r\n");
}

TEST(IniDocumentWrite, LastLineWithoutLineBreakStaysReadableAfterAppending) {
    IniDocument doc(kCodec, "[Setup]\r\nStart=21");
    doc.Write("Setup", "Date", "3");
    doc.Write("DropForm", "FormColor", "0");
    IniDocument again(kCodec, doc.Bytes());
    EXPECT_EQ(again.Read("Setup", "Start"), "21");
    EXPECT_EQ(again.Read("Setup", "Date"), "3");
    EXPECT_EQ(again.Read("DropForm", "FormColor"), "0");
    // A last line ended by a bare carriage return gets a whole line end first.
    IniDocument cr(kCodec, "[Setup]\r\nStart=21\r");
    cr.Write("Setup", "Date", "3");
    EXPECT_EQ(cr.Bytes(), "[Setup]\r\nStart=21\r\nDate=3\r\n");
}

TEST(IniDocumentEncoding, ChineseTextIsStoredAsGbkAndReadBack) {
    IniDocument doc(kCodec);
    doc.Write("DropForm", "FontName", "宋体");
    EXPECT_NE(doc.Bytes().find("FontName=\xCB\xCE\xCC\xE5\r\n"), std::string::npos);
    IniDocument again(kCodec, doc.Bytes());
    EXPECT_EQ(again.ReadString("DropForm", "FontName", ""), "宋体");
}

TEST(IniDocumentEncoding, GbkLinesNotWrittenKeepTheirBytes) {
    const std::string gbkLine = "SoundPath=C:\\\xC9\xF9\xD2\xF4\\a.wav\r\n";  // 声音
    IniDocument doc(kCodec, "[Setup]\r\n" + gbkLine + "Sound=0\r\n");
    doc.WriteBool("Setup", "Sound", true);
    EXPECT_EQ(doc.Bytes(), "[Setup]\r\n" + gbkLine + "Sound=1\r\n");
    EXPECT_EQ(doc.ReadString("Setup", "SoundPath", ""), "C:\\声音\\a.wav");
}

struct Utf16Form {
    IniEncoding encoding;
    bool bigEndian;
    bool bom;
};
constexpr Utf16Form kUtf16Forms[] = {{IniEncoding::Utf16LeBom, false, true},
                                     {IniEncoding::Utf16BeBom, true, true},
                                     {IniEncoding::Utf16Le, false, false},
                                     {IniEncoding::Utf16Be, true, false}};

std::string Utf16(const std::u16string& text, bool bigEndian = false, bool bom = true) {
    std::string bytes;
    for (char16_t c : bom ? u"\uFEFF" + text : text) {
        const char low = static_cast<char>(c & 0xFF), high = static_cast<char>(c >> 8);
        bytes += bigEndian ? high : low;
        bytes += bigEndian ? low : high;
    }
    return bytes;
}

// What a text editor's "Unicode" choices save, with or without a byte-order mark (then
// told by the zero bytes of the first line, here a comment holding U+4E00, whose low
// byte is zero): read as such, written back as such.
TEST(IniDocumentEncoding, Utf16FileIsReadAndKeepsItsEncoding) {
    for (const Utf16Form& form : kUtf16Forms) {
        const auto utf16 = [&](const std::u16string& text) {
            return Utf16(text, form.bigEndian, form.bom);
        };
        const std::string file = utf16(u";一\r\n[Setup]\r\nStart=5\r\nSoundPath=D:\\声音.wav\r\n"
                                       u"[DropForm]\r\nFontName=宋体\r\n");
        IniDocument doc(kCodec, file);
        EXPECT_EQ(doc.Encoding(), form.encoding);
        EXPECT_EQ(doc.ReadStrictInt("Setup", "Start", 21), 5);
        EXPECT_EQ(doc.Read("Setup", "SoundPath"), "D:\\声音.wav");
        EXPECT_EQ(doc.Read("DropForm", "FontName"), "宋体");
        EXPECT_EQ(doc.Bytes(), file);  // nothing written, nothing changed

        doc.Write("Date", "SumTime", "1:2:3");
        doc.Write("DropForm", "FontName", "黑体");
        EXPECT_EQ(doc.Bytes(), utf16(u";一\r\n[Setup]\r\nStart=5\r\nSoundPath=D:\\声音.wav\r\n"
                                     u"[DropForm]\r\nFontName=黑体\r\n\r\n[Date]\r\nSumTime=1:2:3\r\n"));
    }
}

TEST(IniDocumentEncoding, Utf8FileWithByteOrderMarkIsReadAndKeepsItsEncoding) {
    const std::string file = "\xEF\xBB\xBF[DropForm]\r\nFontName=宋体\r\n";
    IniDocument doc(kCodec, file);
    EXPECT_EQ(doc.Encoding(), IniEncoding::Utf8Bom);
    EXPECT_EQ(doc.Read("DropForm", "FontName"), "宋体");
    EXPECT_EQ(doc.Bytes(), file);
    doc.Write("DropForm", "FontStyle", "2");
    EXPECT_EQ(doc.Bytes(), "\xEF\xBB\xBF[DropForm]\r\nFontName=宋体\r\nFontStyle=2\r\n");
}

// Whatever an editor left in a UTF-16 file (a lone surrogate, an odd last byte) goes
// back byte for byte.
TEST(IniDocumentEncoding, Utf16FileRoundTripsWhatItCannotRead) {
    for (const Utf16Form& form : kUtf16Forms) {
        std::string file = Utf16(u"[Setup]\r\nNote=\xD800x\r\nEmoji=\U0001F600\r\n",
                                 form.bigEndian, form.bom);
        file += '\x41';
        IniDocument doc(kCodec, file);
        EXPECT_EQ(doc.Read("Setup", "Emoji"), "\U0001F600");
        EXPECT_EQ(doc.Bytes(), file);
    }
}

TEST(IniDocumentNumbers, StrictIntegerTakesDecimalOnly) {
    IniDocument doc(kCodec, "[S]\r\na=300\r\nb=-7\r\nc=0x10\r\nd=abc\r\ne=12a\r\nf=99999999999\r\n");
    EXPECT_EQ(doc.ReadStrictInt("S", "a", 1), 300);
    EXPECT_EQ(doc.ReadStrictInt("S", "b", 1), -7);
    EXPECT_EQ(doc.ReadStrictInt("S", "missing", 21), 21);
    EXPECT_THROW(doc.ReadStrictInt("S", "c", 1), ConvertError);
    EXPECT_THROW(doc.ReadStrictInt("S", "e", 1), ConvertError);
    EXPECT_THROW(doc.ReadStrictInt("S", "f", 1), ConvertError);
    try {
        doc.ReadStrictInt("S", "d", 1);
        FAIL() << "no error for 'abc'";
    } catch (const ConvertError& e) {
        EXPECT_STREQ(e.what(), "'abc' is not a valid integer value");
    }
}

TEST(IniDocumentNumbers, LenientIntegerTakesHexAndFallsBackToDefault) {
    IniDocument doc(kCodec, "[S]\r\na=0x10\r\nb=65280\r\nc=green\r\nd=-16777201\r\n");
    EXPECT_EQ(doc.ReadInt("S", "a", 0), 16);
    EXPECT_EQ(doc.ReadInt("S", "b", 0), 65280);
    EXPECT_EQ(doc.ReadInt("S", "c", 150), 150);
    EXPECT_EQ(doc.ReadInt("S", "d", 0), -16777201);
    EXPECT_EQ(doc.ReadInt("S", "missing", 150), 150);
    EXPECT_EQ(TryStrToIntLenient("0x1F"), 31);
    EXPECT_FALSE(TryStrToIntLenient("").has_value());
    EXPECT_THROW(StrToInt(""), ConvertError);
}

TEST(IniDocumentNumbers, BooleansAreOneAndZeroReadAsNonZero) {
    IniDocument doc(kCodec, "[S]\r\nyes=1\r\nno=0\r\ntwo=2\r\nword=true\r\n");
    EXPECT_TRUE(doc.ReadBool("S", "yes", false));
    EXPECT_FALSE(doc.ReadBool("S", "no", true));
    EXPECT_TRUE(doc.ReadBool("S", "two", false));
    EXPECT_TRUE(doc.ReadBool("S", "word", true));
    EXPECT_FALSE(doc.ReadBool("S", "word", false));
    EXPECT_TRUE(doc.ReadBool("S", "missing", true));
    doc.WriteBool("S", "no", true);
    doc.WriteInt("S", "neg", -5);
    EXPECT_EQ(doc.Read("S", "no"), "1");
    EXPECT_EQ(doc.Read("S", "neg"), "-5");
}

TEST(IniDocumentDates, DateTimeIsWrittenAsIsoTextAndReadBack) {
    IniDocument doc(kCodec, "[Date]\r\nBad=yesterday\r\n");
    doc.WriteDateTime("Date", "Start", {2024, 3, 5, 7, 8, 9});
    EXPECT_EQ(doc.Read("Date", "Start"), "2024-03-05 07:08:09");
    EXPECT_EQ(doc.ReadDateTime("Date", "Start"), (LocalDateTime{2024, 3, 5, 7, 8, 9}));
    EXPECT_FALSE(doc.ReadDateTime("Date", "Bad").has_value());
    EXPECT_FALSE(doc.ReadDateTime("Date", "Missing").has_value());
}

}  // namespace
}  // namespace kelo
