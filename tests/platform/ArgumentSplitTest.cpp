// Engine argument strings become argument lists without any shell in between.
#include "platform/Spawner.h"

#include <gtest/gtest.h>

using namespace orvanel::platform;

namespace {

QString q(const char* text)
{
    return QString::fromUtf8(text);
}

TEST(ArgumentSplit, BlanksSeparateAndQuotesGroup)
{
    struct Case
    {
        const char* text;
        QStringList args;
    };
    const Case cases[] = {
        {"", {}},
        {"   ", {}},
        {"0", {q("0")}},
        {"1 \"/a b\"", {q("1"), q("/a b")}},
        {"3 /media/usb", {q("3"), q("/media/usb")}},
        {"  lead  and   trail  ", {q("lead"), q("and"), q("trail")}},
        {"\"\"", {q("")}},
        {"a \"\" b", {q("a"), q(""), q("b")}},
        {"pre\"fix mid\"post", {q("prefix midpost")}},
        {"\"unclosed quote", {q("unclosed quote")}},
        {" 1 0 0 1 1 1 1 1 1 0 0 1 0",
         {q("1"), q("0"), q("0"), q("1"), q("1"), q("1"), q("1"), q("1"), q("1"), q("0"), q("0"),
          q("1"), q("0")}},
        {"change;registre", {q("change;registre")}},
        {"tab\tstays", {q("tab\tstays")}}, // only the blank separates, as the engines split
        {"élève \"crème brûlée\"", {q("élève"), q("crème brûlée")}},
    };
    for (const auto& c : cases)
        EXPECT_EQ(splitArgumentString(q(c.text)), c.args) << c.text;
}

TEST(ArgumentSplit, ShellSyntaxStaysPlainText)
{
    // Text from files and users reaches the engine as words; nothing interprets it.
    EXPECT_EQ(splitArgumentString(q("a.com; rm -rf ~")),
              (QStringList{q("a.com;"), q("rm"), q("-rf"), q("~")}));
    EXPECT_EQ(splitArgumentString(q("$(reboot) `id` | cat > /x && y")),
              (QStringList{q("$(reboot)"), q("`id`"), q("|"), q("cat"), q(">"), q("/x"), q("&&"),
                           q("y")}));
    EXPECT_EQ(splitArgumentString(q("\"a.com; rm -rf ~\"")), (QStringList{q("a.com; rm -rf ~")}));
    EXPECT_EQ(splitArgumentString(q("'single quotes' group nothing")),
              (QStringList{q("'single"), q("quotes'"), q("group"), q("nothing")}));
    EXPECT_EQ(splitArgumentString(q("back\\\"slash")), (QStringList{q("back\\slash")}));
}

} // namespace
