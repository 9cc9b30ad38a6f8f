#include <gtest/gtest.h>

#include <ostream>

#include "FileFilter.h"

using brackwell::ParseFileFilter;
using brackwell::QtNameFilter;

namespace {

struct TFilterCase {
    const char16_t* Text;
    QString Description;
    QStringList Patterns;
    QString QtFilter;
};

void PrintTo(const TFilterCase& sample, std::ostream* out) {
    *out << (sample.Text != nullptr ? "\"" + QString::fromUtf16(sample.Text).toStdString() + "\"" : "null");
}

class FileFilter : public ::testing::TestWithParam<TFilterCase> {};

}  // namespace

TEST_P(FileFilter, ParsesDescriptionAndPatterns) {
    const TFilterCase& sample = GetParam();
    const brackwell::TFileFilter filter = ParseFileFilter(sample.Text);
    EXPECT_EQ(filter.Description, sample.Description);
    EXPECT_EQ(filter.Patterns, sample.Patterns);
    EXPECT_EQ(QtNameFilter(filter), sample.QtFilter);
}

INSTANTIATE_TEST_SUITE_P(
    Samples, FileFilter,
    ::testing::Values(TFilterCase{nullptr, {}, {}, {}}, TFilterCase{u"", {}, {}, {}},
                      TFilterCase{u"Text files|*.txt", "Text files", {"*.txt"}, "Text files (*.txt)"},
                      TFilterCase{u"A|*.a;*.B", "A", {"*.a", "*.B"}, "A (*.a *.B)"},
                      // Repeats go whatever their case; blanks around patterns and empty patterns go too.
                      TFilterCase{u"Pictures| *.jpg ;*.JPG;;*.jpeg;*.jpg;",
                                  "Pictures",
                                  {"*.jpg", "*.jpeg"},
                                  "Pictures (*.jpg *.jpeg)"},
                      TFilterCase{u"All files|*.*", "All files", {"*"}, "All files (*)"},
                      TFilterCase{u"*.png;*.gif", {}, {"*.png", "*.gif"}, "*.png *.gif"},
                      TFilterCase{u"Nothing|", "Nothing", {}, {}},
                      TFilterCase{u"First|*.a|Second|*.b", "First", {"*.a"}, "First (*.a)"}));
