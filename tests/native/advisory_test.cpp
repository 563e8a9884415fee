#include "advisory/advisory.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <map>
#include <set>
#include <string>

namespace {

bool IsDigit(char c)
{
    return c >= '0' && c <= '9';
}
bool IsCapital(char c)
{
    return c >= 'A' && c <= 'Z';
}

// The form of an affected model: prefix, digit count, final two letters.
struct ModelForm {
    std::string prefix;
    std::size_t digits;
    std::string ending;
};

ModelForm FormOf(std::string_view model)
{
    const std::string prefix = model.substr(0, 3) == "ZQP" ? "ZQP" : "ZQ";
    const std::string_view rest = model.substr(prefix.size());
    EXPECT_GE(rest.size(), 3u) << model;
    const std::size_t digits = rest.size() - 2;
    EXPECT_TRUE(std::all_of(rest.begin(), rest.begin() + digits, IsDigit)) << model;
    EXPECT_EQ('3', rest[0]) << model;
    return {prefix, digits, std::string(rest.substr(digits))};
}

TEST(AffectedModelTable, HasTheMakersCountsByPrefixDigitsAndEnding)
{
    std::map<std::pair<std::string, std::size_t>, int> byShape;
    std::map<std::string, int> zqEndings;
    for (std::string_view model : kAffectedModels) {
        const ModelForm form = FormOf(model);
        EXPECT_EQ(form.prefix.size() + form.digits + 2, model.size()) << model;
        ++byShape[{form.prefix, form.digits}];
        if (form.prefix == "ZQ")
            ++zqEndings[form.ending];
        else
            EXPECT_EQ("AS", form.ending) << model;
    }
    EXPECT_EQ(19, (byShape[{"ZQ", 7}]));
    EXPECT_EQ(7, (byShape[{"ZQ", 8}]));
    EXPECT_EQ(9, (byShape[{"ZQP", 7}]));
    EXPECT_EQ(4, (byShape[{"ZQP", 8}]));
    EXPECT_EQ(4u, byShape.size());
    EXPECT_EQ(14, zqEndings["AS"]);
    EXPECT_EQ(9, zqEndings["NS"]);
    EXPECT_EQ(3, zqEndings["SV"]);
    EXPECT_EQ(3u, zqEndings.size());
    EXPECT_EQ(39u,
              std::set<std::string_view>(kAffectedModels.begin(), kAffectedModels.end()).size());
}

TEST(FixedFirmwareTable, HasNineLetterEndingsNineDigitEndingsARepeatAndAShortLastEntry)
{
    int letterEndings = 0;
    int digitEndings = 0;
    for (std::size_t i = 0; i + 1 < kFixedFirmware.size(); ++i) {
        const std::string_view rev = kFixedFirmware[i];
        ASSERT_EQ(4u, rev.size()) << rev;
        EXPECT_TRUE(IsCapital(rev[0]) && IsCapital(rev[1]) && IsDigit(rev[2])) << rev;
        if (IsCapital(rev[3]))
            ++letterEndings;
        else if (IsDigit(rev[3]))
            ++digitEndings;
        else
            ADD_FAILURE() << rev;
    }
    EXPECT_EQ(9, letterEndings);
    EXPECT_EQ(9, digitEndings);

    const std::string_view last = kFixedFirmware.back();
    ASSERT_EQ(2u, last.size());
    EXPECT_TRUE(IsCapital(last[0]) && IsCapital(last[1]));

    EXPECT_EQ(kFixedFirmware[15], kFixedFirmware[16]);
    EXPECT_EQ(18u, std::set<std::string_view>(kFixedFirmware.begin(), kFixedFirmware.end()).size());
}

TEST(IsAffectedModel, MatchesEveryEntryExactly)
{
    for (std::string_view model : kAffectedModels)
        EXPECT_TRUE(IsAffectedModel(std::string(model))) << model;
    for (std::string_view rev : kFixedFirmware)
        EXPECT_TRUE(IsFixedFirmware(std::string(rev))) << rev;
}

TEST(IsAffectedModel, RejectsNearMisses)
{
    const std::string model(kAffectedModels[0]);
    std::string lower = model;
    std::transform(lower.begin(), lower.end(), lower.begin(),
                   [](char c) { return IsCapital(c) ? static_cast<char>(c - 'A' + 'a') : c; });

    EXPECT_FALSE(IsAffectedModel(""));
    EXPECT_FALSE(IsAffectedModel(lower));
    EXPECT_FALSE(IsAffectedModel(" " + model));
    EXPECT_FALSE(IsAffectedModel(model + " "));
    EXPECT_FALSE(IsAffectedModel(model.substr(0, model.size() - 1)));
    EXPECT_FALSE(IsAffectedModel(model + "X"));
    EXPECT_FALSE(IsAffectedModel(model + std::string(1, '\0')));
}

TEST(IsFixedFirmware, TheTwoLetterEntryMatchesOnlyAlone)
{
    const std::string shortEntry(kFixedFirmware.back());
    EXPECT_TRUE(IsFixedFirmware(shortEntry));
    EXPECT_FALSE(IsFixedFirmware(shortEntry + "12"));
    EXPECT_FALSE(IsFixedFirmware(shortEntry.substr(0, 1)));
    EXPECT_FALSE(IsFixedFirmware(""));

    const std::string rev(kFixedFirmware[0]);
    EXPECT_FALSE(IsFixedFirmware(rev + " "));
    EXPECT_FALSE(IsFixedFirmware(" " + rev));
    EXPECT_FALSE(IsFixedFirmware(
        std::string{rev[0], rev[1], rev[2], static_cast<char>(rev[3] - 'A' + 'a')}));
}

TEST(Advisory, NoFixedRevisionIsAlsoAnAffectedModel)
{
    // A table mix-up would silently turn rows green.
    for (std::string_view rev : kFixedFirmware)
        EXPECT_FALSE(IsAffectedModel(std::string(rev))) << rev;
    for (std::string_view model : kAffectedModels)
        EXPECT_FALSE(IsFixedFirmware(std::string(model))) << model;
}

} // namespace
