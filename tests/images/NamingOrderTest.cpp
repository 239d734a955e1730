#include "images/NamingOrder.h"

#include <gtest/gtest.h>

#include <algorithm>

#include "support/TestSupport.h"

namespace korvalen {
namespace {

using Names = std::vector<std::string>;

// Runs the whole filling on a listing and gives the name of every cell row by row ("" empty).
Names FillGrid(const Names& listing, const std::string& firstFile, NamingOrder order,
               MapSequence sequence, int rows, int cols) {
    const FirstMapFile first = SplitFirstMapFile(std::filesystem::path("maps") / firstFile);
    const std::string_view pattern = PatternOf(order);
    const auto candidates = CandidateList(listing, first.extension, first.base, pattern);
    Names grid(static_cast<size_t>(rows * cols));
    for (const CellFill& fill : FillPlan(candidates, first, pattern, sequence, rows, cols)) {
        if (fill.hasFile)
            grid[static_cast<size_t>((fill.row - 1) * cols + fill.col - 1)] = fill.name;
    }
    return grid;
}

// Every two-character name of digits and letters as a file with the extension.
Names AllTwoCharFiles(const std::string& extension) {
    Names files;
    const std::string chars = "0123456789abcdefghijklmnopqrstuvwxyz";
    for (char a : chars)
        for (char b : chars)
            files.push_back(std::string{a, b} + extension);
    files.push_back("readme.txt");
    return files;
}

TEST(NamingOrderTest, OrdersOfferedDependOnTheMatrixAndTheSequence) {
    using enum NamingOrder;
    struct Case {
        MapSequence sequence;
        int rows, cols;
        std::vector<NamingOrder> offered;
    } cases[] = {
        {MapSequence::Rows, 3, 3, {Alphabetical, A1, OneA, OneOne, AA}},
        {MapSequence::Rows, 20, 10, {Alphabetical, A1, AA}},
        {MapSequence::Rows, 10, 20, {Alphabetical, OneA, AA}},
        {MapSequence::Columns, 20, 10, {Alphabetical, OneA, AA}},
        {MapSequence::Columns, 10, 20, {Alphabetical, A1, AA}},
        {MapSequence::Rows, 30, 2, {Alphabetical}},
        {MapSequence::Rows, 26, 15, {Alphabetical, A1, AA}},
        {MapSequence::Rows, 27, 15, {Alphabetical}},
        {MapSequence::Rows, 15, 15, {Alphabetical, A1, OneA, OneOne, AA}},
        {MapSequence::Rows, 16, 15, {Alphabetical, A1, AA}},
        {MapSequence::Rows, 26, 26, {Alphabetical, AA}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::to_string(c.rows) + " x " + std::to_string(c.cols) +
                     (c.sequence == MapSequence::Rows ? " rows" : " columns"));
        const auto offered = OfferedOrders(c.sequence, c.rows, c.cols);
        EXPECT_EQ(offered, c.offered);
        EXPECT_EQ(ShowsOrderStatement(offered), c.offered.size() > 1);
    }
}

TEST(NamingOrderTest, EachOrderHasItsPatternAndOptionText) {
    EXPECT_EQ(PatternOf(NamingOrder::Alphabetical), "");
    EXPECT_EQ(PatternOf(NamingOrder::A1), "a1");
    EXPECT_EQ(PatternOf(NamingOrder::OneA), "1a");
    EXPECT_EQ(PatternOf(NamingOrder::OneOne), "11");
    EXPECT_EQ(PatternOf(NamingOrder::AA), "aa");
    EXPECT_EQ(OptionTextOf(NamingOrder::Alphabetical), "alphabetical order");
    EXPECT_EQ(OptionTextOf(NamingOrder::OneA), "1A pattern");
    // 10 x 20 by rows: the third option is the AA pattern.
    EXPECT_EQ(PatternOf(OfferedOrders(MapSequence::Rows, 10, 20)[2]), "aa");
}

TEST(NamingOrderTest, CharacterClassesOfPatterns) {
    EXPECT_TRUE(MatchesPattern("b3", "a1"));
    EXPECT_TRUE(MatchesPattern("bF", "a1"));
    EXPECT_TRUE(MatchesPattern("_3", "a1"));  // any non-digit counts as a letter
    EXPECT_FALSE(MatchesPattern("bg", "a1"));
    EXPECT_FALSE(MatchesPattern("33", "a1"));
    EXPECT_FALSE(MatchesPattern("b3x", "a1"));
    EXPECT_FALSE(MatchesPattern("b", "a1"));
    EXPECT_FALSE(MatchesPattern("map", "a1"));
    EXPECT_FALSE(MatchesPattern(std::string{'\t', '3'}, "a1"));
    EXPECT_TRUE(MatchesPattern("3b", "1a"));
    EXPECT_TRUE(MatchesPattern("0f", "11"));
    EXPECT_FALSE(MatchesPattern("0g", "11"));
    EXPECT_TRUE(MatchesPattern("zz", "aa"));
    EXPECT_FALSE(MatchesPattern("z9", "aa"));
}

TEST(NamingOrderTest, StepsGiveABlankBeyondTheirRange) {
    EXPECT_EQ(LetterStep('a', 0), 'a');
    EXPECT_EQ(LetterStep('x', 2), 'z');
    EXPECT_EQ(LetterStep('x', 3), ' ');
    EXPECT_EQ(DigitStep('0', 9), '9');
    EXPECT_EQ(DigitStep('9', 1), 'a');  // hexadecimal, lower case
    EXPECT_EQ(DigitStep('A', 5), 'f');
    EXPECT_EQ(DigitStep('e', 1), 'f');
    EXPECT_EQ(DigitStep('f', 1), ' ');
    EXPECT_EQ(DigitStep('f', 0), 'f');
    EXPECT_EQ(ExpectedName("b3", "a1", 2, 3), "c5");
    EXPECT_EQ(ExpectedName("3b", "1a", 2, 3), "4d");
    EXPECT_EQ(ExpectedName("x1", "a1", 4, 1), " 1");
}

TEST(NamingOrderTest, FirstFileGivesFolderLowerCaseExtensionAndBase) {
    const FirstMapFile first = SplitFirstMapFile("/data/trip.2024/B3.Part.JPG");
    EXPECT_EQ(first.folder, std::filesystem::path("/data/trip.2024"));
    EXPECT_EQ(first.extension, ".part.jpg");
    EXPECT_EQ(first.base, "b3");
    EXPECT_EQ(SplitFirstMapFile("/data.d/map").extension, "");
    EXPECT_TRUE(IsJpegExtension(".JPG"));
    EXPECT_FALSE(IsJpegExtension(".jpeg"));
    EXPECT_FALSE(IsJpegExtension(".bmp"));
}

TEST(NamingOrderTest, A1ByRowsStepsLettersDownAndDigitsAcross) {
    const Names grid =
        FillGrid(AllTwoCharFiles(".jpg"), "b3.jpg", NamingOrder::A1, MapSequence::Rows, 2, 3);
    EXPECT_EQ(grid, (Names{"b3", "b4", "b5", "c3", "c4", "c5"}));
}

TEST(NamingOrderTest, ThreeByThreeFromA1) {
    const Names grid =
        FillGrid(AllTwoCharFiles(".bmp"), "a1.bmp", NamingOrder::A1, MapSequence::Rows, 3, 3);
    EXPECT_EQ(grid, (Names{"a1", "a2", "a3", "b1", "b2", "b3", "c1", "c2", "c3"}));
}

TEST(NamingOrderTest, EveryOrderInBothSequences) {
    const Names files = AllTwoCharFiles(".bmp");
    struct Case {
        NamingOrder order;
        MapSequence sequence;
        std::string first;
        Names grid;  // 2 rows x 3 columns
    } cases[] = {
        {NamingOrder::A1, MapSequence::Columns, "b3.bmp", {"b3", "c3", "d3", "b4", "c4", "d4"}},
        {NamingOrder::OneA, MapSequence::Rows, "3b.bmp", {"3b", "3c", "3d", "4b", "4c", "4d"}},
        {NamingOrder::OneA, MapSequence::Columns, "3b.bmp", {"3b", "4b", "5b", "3c", "4c", "5c"}},
        {NamingOrder::OneOne, MapSequence::Rows, "09.bmp", {"09", "0a", "0b", "19", "1a", "1b"}},
        {NamingOrder::OneOne, MapSequence::Columns, "09.bmp", {"09", "19", "29", "0a", "1a", "2a"}},
        {NamingOrder::AA, MapSequence::Rows, "ay.bmp", {"ay", "az", "", "by", "bz", ""}},
        {NamingOrder::AA, MapSequence::Columns, "ay.bmp", {"ay", "by", "cy", "az", "bz", "cz"}},
        {NamingOrder::Alphabetical, MapSequence::Rows, "zx.bmp", {"zx", "zy", "zz", "", "", ""}},
        {NamingOrder::Alphabetical, MapSequence::Columns, "zx.bmp", {"zx", "zz", "", "zy", "", ""}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(PatternOf(c.order)) + " " + c.first +
                     (c.sequence == MapSequence::Rows ? " rows" : " columns"));
        EXPECT_EQ(FillGrid(files, c.first, c.order, c.sequence, 2, 3), c.grid);
    }
}

TEST(NamingOrderTest, LettersBeyondZStayEmpty) {
    const Names grid =
        FillGrid(AllTwoCharFiles(".bmp"), "x1.bmp", NamingOrder::A1, MapSequence::Rows, 5, 2);
    EXPECT_EQ(grid, (Names{"x1", "x2", "y1", "y2", "z1", "z2", "", "", "", ""}));
}

TEST(NamingOrderTest, PatternVisitsEveryCellEvenWithoutFiles) {
    const FirstMapFile first = SplitFirstMapFile("d/a1.bmp");
    const auto candidates = CandidateList({"a1.bmp"}, first.extension, first.base, "a1");
    const auto plan = FillPlan(candidates, first, "a1", MapSequence::Columns, 2, 2);
    ASSERT_EQ(plan.size(), 4u);
    const int visited[4][2] = {{1, 1}, {2, 1}, {1, 2}, {2, 2}};  // column by column
    for (size_t k = 0; k < plan.size(); ++k) {
        EXPECT_EQ(plan[k].row, visited[k][0]);
        EXPECT_EQ(plan[k].col, visited[k][1]);
        EXPECT_EQ(plan[k].hasFile, k == 0);
    }
}

TEST(NamingOrderTest, AlphabeticalTakesNamesInTurnFromTheFirst) {
    const Names listing = {"d.bmp", "b.bmp", "a.bmp", "c.bmp", "notes.txt", "e.BMP"};
    // Fewer files than cells: the last cells stay empty and are not visited.
    const FirstMapFile first = SplitFirstMapFile("maps/b.bmp");
    const auto candidates = CandidateList(listing, first.extension, first.base, "");
    const auto plan = FillPlan(candidates, first, "", MapSequence::Rows, 2, 3);
    ASSERT_EQ(plan.size(), 4u);
    EXPECT_EQ(plan[3].name, "e");
    EXPECT_EQ(plan[3].filePath, std::filesystem::path("maps/e.BMP"));
    EXPECT_EQ(FillGrid(listing, "b.bmp", NamingOrder::Alphabetical, MapSequence::Rows, 2, 3),
              (Names{"b", "c", "d", "e", "", ""}));
    // More files than cells: the surplus is ignored.
    EXPECT_EQ(FillGrid(listing, "a.bmp", NamingOrder::Alphabetical, MapSequence::Rows, 1, 2),
              (Names{"a", "b"}));
}

TEST(NamingOrderTest, CandidatesAreFoundWithoutRegardToCaseAndKeepTheirDiskName) {
    const Names listing = {"A1.JPG", "a2.jpg", "B1.Jpg", "b2.jpeg", "b2.bmp", "a0.jpg", "x.jpg"};
    const auto candidates = CandidateList(listing, ".jpg", "a1", "a1");
    ASSERT_EQ(candidates.size(), 3u);
    EXPECT_EQ(candidates[0].name, "a1");
    EXPECT_EQ(candidates[0].fileName, "A1.JPG");
    EXPECT_EQ(candidates[1].name, "a2");
    EXPECT_EQ(candidates[2].fileName, "B1.Jpg");

    const FirstMapFile first = SplitFirstMapFile("/maps/a1.jpg");
    const auto plan = FillPlan(candidates, first, "a1", MapSequence::Rows, 2, 2);
    ASSERT_EQ(plan.size(), 4u);
    EXPECT_EQ(plan[0].filePath, std::filesystem::path("/maps/A1.JPG"));
    EXPECT_EQ(plan[0].name, "a1");
    EXPECT_EQ(plan[2].filePath, std::filesystem::path("/maps/B1.Jpg"));
    EXPECT_FALSE(plan[3].hasFile);  // b2 exists only as .jpeg and .bmp
}

TEST(NamingOrderTest, PatternCandidatesComeAtOrAfterEachCharacterOfTheBase) {
    const Names listing = {"b3.bmp", "a5.bmp", "c2.bmp", "c4.bmp", "bb.bmp", "b3x.bmp"};
    const auto candidates = CandidateList(listing, ".bmp", "b3", "a1");
    Names names;
    for (const auto& c : candidates)
        names.push_back(c.name);
    EXPECT_EQ(names, (Names{"b3", "bb", "c4"}));
}

TEST(NamingOrderTest, AFirstFileThatDoesNotFitIsRefused) {
    EXPECT_FALSE(MatchesPattern(SplitFirstMapFile("d/map.bmp").base, "a1"));
    EXPECT_FALSE(MatchesPattern(SplitFirstMapFile("d/a1b.bmp").base, "a1"));
    EXPECT_TRUE(MatchesPattern(SplitFirstMapFile("d/A1.BMP").base, "a1"));
    // A base that does not fit never yields a candidate.
    EXPECT_TRUE(CandidateList({"map.bmp", "a1.bmp"}, ".bmp", "map", "a1").empty());
}

TEST(NamingOrderTest, ListingAFolderGivesItsFilesOnly) {
    test::TempDir dir;
    test::WriteBytes(dir / "A1.JPG", {1});
    test::WriteBytes(dir / "a2.jpg", {1});
    std::filesystem::create_directory(dir / "b1.jpg");
    Names files;
    std::string error;
    ASSERT_TRUE(ListFolderFiles(dir.Path(), files, error)) << error;
    std::sort(files.begin(), files.end());
    EXPECT_EQ(files, (Names{"A1.JPG", "a2.jpg"}));

    EXPECT_FALSE(ListFolderFiles(dir / "missing", files, error));
    EXPECT_TRUE(files.empty());
    EXPECT_NE(error.find("missing"), std::string::npos);
}

}  // namespace
}  // namespace korvalen
