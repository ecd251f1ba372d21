#include "cli/ConvertOptions.h"

#include <gtest/gtest.h>

namespace {

TConvertParse Parse(std::initializer_list<const char*> args) {
    QStringList list;
    for (const char* a : args)
        list << QString::fromUtf8(a);
    return ParseConvertArguments(list);
}

} // namespace

TEST(ConvertOptions, DefaultsAreTheWizardsStartAnswers) {
    const TConvertParse p = Parse({"a.bmp"});
    ASSERT_TRUE(p.Error.isEmpty()) << p.Error.toStdString();
    EXPECT_EQ(p.Options.IconSize, 32);
    EXPECT_EQ(p.Options.IconBPP, 8);
    EXPECT_EQ(p.Options.Masking, TMasking::Auto);
    EXPECT_EQ(p.Options.Format, TOutFormat::Ico);
    EXPECT_FALSE(p.Options.OutputGiven);
    EXPECT_TRUE(p.Options.Replace);
    EXPECT_FALSE(p.Options.Quiet);
    EXPECT_EQ(p.Options.Pictures, QStringList{QStringLiteral("a.bmp")});
}

TEST(ConvertOptions, LongShortEqualsAndAttachedFormsAllWork) {
    const TConvertParse p = Parse({"--size", "16", "-c", "16", "--mask=none", "-fbmp", "-o", "/out",
                                   "--no-replace", "-q", "x.jpg", "y.gif"});
    ASSERT_TRUE(p.Error.isEmpty()) << p.Error.toStdString();
    EXPECT_EQ(p.Options.IconSize, 16);
    EXPECT_EQ(p.Options.IconBPP, 4);
    EXPECT_EQ(p.Options.Masking, TMasking::None);
    EXPECT_EQ(p.Options.Format, TOutFormat::Bmp);
    EXPECT_EQ(p.Options.Output, QStringLiteral("/out"));
    EXPECT_TRUE(p.Options.OutputGiven);
    EXPECT_FALSE(p.Options.Replace);
    EXPECT_TRUE(p.Options.Quiet);
    EXPECT_EQ(p.Options.Pictures, (QStringList{QStringLiteral("x.jpg"), QStringLiteral("y.gif")}));

    const TConvertParse q = Parse(
        {"-s48", "--colors=256", "-m", "auto", "--format", "mico", "--output=o.ico", "p.ico"});
    ASSERT_TRUE(q.Error.isEmpty()) << q.Error.toStdString();
    EXPECT_EQ(q.Options.IconSize, 48);
    EXPECT_EQ(q.Options.IconBPP, 8);
    EXPECT_EQ(q.Options.Masking, TMasking::Auto);
    EXPECT_EQ(q.Options.Format, TOutFormat::Mico);
    EXPECT_EQ(q.Options.Output, QStringLiteral("o.ico"));

    const TConvertParse list = Parse({"--size=32,256,1", "-c", "true", "a.svg"});
    ASSERT_TRUE(list.Error.isEmpty()) << list.Error.toStdString();
    EXPECT_EQ(list.Options.Sizes, (std::vector<std::int32_t>{32, 256, 1}));
    EXPECT_EQ(list.Options.IconSize, 32);
    EXPECT_EQ(list.Options.IconBPP, 32);
}

TEST(ConvertOptions, PicturesKeepTheirOrderAndDoubleDashEndsOptions) {
    const TConvertParse p = Parse({"c.bmp", "-s", "16", "a.bmp", "--", "-q", "-"});
    ASSERT_TRUE(p.Error.isEmpty()) << p.Error.toStdString();
    EXPECT_FALSE(p.Options.Quiet);
    EXPECT_EQ(p.Options.Pictures, (QStringList{QStringLiteral("c.bmp"), QStringLiteral("a.bmp"),
                                               QStringLiteral("-q"), QStringLiteral("-")}));
}

TEST(ConvertOptions, BadValuesNameTheirOption) {
    struct Case {
        std::initializer_list<const char*> Args;
        const char* Named;
    };
    const Case cases[] = {
        {{"--size", "257", "a.bmp"}, "--size"},
        {{"--size", "16,,32", "a.bmp"}, "--size"},
        {{"--size=16,16", "a.bmp"}, "--size"},
        {{"--colors", "truecolor", "a.bmp"}, "--colors"},
        {{"-s", "x", "a.bmp"}, "-s"},
        {{"--colors", "8", "a.bmp"}, "--colors"},
        {{"-c256x", "a.bmp"}, "-c"},
        {{"--mask", "all", "a.bmp"}, "--mask"},
        {{"--format=png", "a.bmp"}, "--format"},
        {{"-f", "ICO", "a.bmp"}, "-f"},
        {{"--output=", "a.bmp"}, "--output"},
        {{"--frobnicate", "a.bmp"}, "--frobnicate"},
        {{"-z", "a.bmp"}, "-z"},
        {{"a.bmp", "--size"}, "--size"},
        {{"--quiet=yes", "a.bmp"}, "--quiet"},
        {{"--no-replace=1", "a.bmp"}, "--no-replace"},
    };
    for (const Case& c : cases) {
        const TConvertParse p = Parse(c.Args);
        EXPECT_TRUE(p.Error.contains(QLatin1String(c.Named))) << p.Error.toStdString();
    }
}

TEST(ConvertOptions, PicturesAreNeededUnlessHelpOrVersionIsAsked) {
    EXPECT_FALSE(Parse({}).Error.isEmpty());
    EXPECT_FALSE(Parse({"-s", "16"}).Error.isEmpty());
    const TConvertParse help = Parse({"--help"});
    EXPECT_TRUE(help.Error.isEmpty());
    EXPECT_TRUE(help.Options.Help);
    const TConvertParse h = Parse({"-h"});
    EXPECT_TRUE(h.Options.Help);
    const TConvertParse version = Parse({"--version"});
    EXPECT_TRUE(version.Error.isEmpty());
    EXPECT_TRUE(version.Options.Version);
    EXPECT_TRUE(ConvertUsage().contains(QStringLiteral("--no-replace")));
}
