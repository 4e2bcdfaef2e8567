#include <gtest/gtest.h>

#include "core/Errors.h"
#include "core/FormDescription.h"

using namespace kelo;

TEST(FormDescription, ObjectsPropertiesAndValuesInDescriptionOrder) {
    const FormObject form = ParseFormDescription(
        "\xEF\xBB\xBF"
        "object FrmKeloMain: TFrmKeloMain\n"
        "  Left = 356\n"
        "  Caption = '上网计时器——Brivo' + '开发'\n"
        "  Font.Style = [fsBold, fsItalic]\n"
        "  Tag = -99\n"
        "  object Panel1: TPanel\n"
        "    Align = alTop\n"
        "    SkinStream = {0A0b FF\n 00}\n"
        "    Items = ('a' 'it''s')\n"
        "    Columns = <\n"
        "      item\n"
        "        Caption = '开始时间'\n"
        "        Width = 130\n"
        "      end\n"
        "      item\n"
        "        Width = 100\n"
        "      end>\n"
        "  end\n"
        "  object Timer1: TTimer\n"
        "  end\n"
        "end\n");
    EXPECT_EQ(form.name, "FrmKeloMain");
    EXPECT_EQ(form.className, "TFrmKeloMain");
    ASSERT_EQ(form.properties.size(), 4u);
    EXPECT_EQ(form.properties[0].value.integer, 356);
    EXPECT_EQ(form.properties[1].value.text, "上网计时器——Brivo开发");
    EXPECT_EQ(form.properties[2].name, "Font.Style");
    EXPECT_EQ(form.properties[2].value.items, (std::vector<std::string>{"fsBold", "fsItalic"}));
    EXPECT_EQ(form.properties[3].value.integer, -99);
    ASSERT_EQ(form.children.size(), 2u);
    const FormObject& panel = form.children[0];
    EXPECT_EQ(panel.properties[0].value.kind, FormValue::Kind::Ident);
    EXPECT_EQ(panel.properties[0].value.text, "alTop");
    EXPECT_EQ(panel.properties[1].value.text, std::string("\x0A\x0B\xFF\x00", 4));
    EXPECT_EQ(panel.properties[2].value.items, (std::vector<std::string>{"a", "it's"}));
    const auto& columns = panel.properties[3].value.collection;
    ASSERT_EQ(columns.size(), 2u);
    EXPECT_EQ(columns[0][0].value.text, "开始时间");
    EXPECT_EQ(columns[1][0].value.integer, 100);
    EXPECT_EQ(form.children[1].className, "TTimer");
}

TEST(FormDescription, ErrorsNameTheLine) {
    const char* broken[] = {
        "object A: TForm\n  Left = \nend\n",
        "object A: TForm\n  Caption = 'open\nend\n",
        "object A: TForm\n  Data = {ABC}\nend\n",
        "object A: TForm\n  object B: TPanel\n",
        "object A: TForm\nend\nrest",
        "thing A: TForm\nend\n",
    };
    for (const char* text : broken) {
        try {
            ParseFormDescription(text);
            ADD_FAILURE() << "accepted: " << text;
        } catch (const KeloError& e) {
            EXPECT_NE(std::string(e.what()).find("line"), std::string::npos) << e.what();
        }
    }
}
