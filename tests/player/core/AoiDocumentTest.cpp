#include "player/core/AoiDocument.h"
#include "player/data/AoiFile.h"

#include "TestEnvironment.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

using testing_support::readFile;
using testing_support::TempDir;
using testing_support::writeFile;

namespace {

const std::string kFace = "#Gazeview AOI file version 1\nname;shape;time_ms;x;y;width;height\n"
                          "face;rectangle;0;400000;300000;200000;250000\n";

class AoiDocumentTest : public testing::Test
{
protected:
    // The user's answers, and the questions asked.
    AoiDocument::Ask answering(std::vector<bool> answers)
    {
        return [this, answers](const QString& question) mutable {
            questions.push_back(question);
            if (answers.empty())
                return false;
            const bool answer = answers.front();
            answers.erase(answers.begin());
            return answer;
        };
    }
    void edit()
    {
        ASSERT_EQ(document.aois().addAoi("hand", 100, {0, AoiShape::Ellipse, 1, 2, 3, 4}),
                  AoiSet::Edit::Done);
    }

    TempDir dir;
    std::filesystem::path movie = dir / "film.avi";
    std::filesystem::path file = dir / "film.avi_aois.csv";
    AoiDocument document;
    std::vector<QString> questions;
};

} // namespace

TEST_F(AoiDocumentTest, TheMoviesFileIsLoadedAndEditsAreSavedToItWhenTheUserSaysSo)
{
    writeFile(file, kFace);
    ASSERT_TRUE(document.open(movie).isEmpty());
    ASSERT_EQ(document.aois().aois().size(), 1u);
    edit();
    EXPECT_TRUE(document.close(answering({true}), false).isEmpty());
    EXPECT_EQ(questions.size(), 1u);
    EXPECT_NE(readFile(file).find("hand;ellipse;100;1;2;3;4"), std::string::npos);
    EXPECT_FALSE(document.isOpen());
    EXPECT_TRUE(document.aois().aois().empty());

    // Unedited, nobody is asked and nothing is written.
    ASSERT_TRUE(document.open(movie).isEmpty());
    document.close(answering({}), false);
    EXPECT_EQ(questions.size(), 1u);

    // Edits the user does not want are not written.
    document.open(movie);
    document.aois().removeAoi(0);
    document.close(answering({false}), false);
    EXPECT_NE(readFile(file).find("face;"), std::string::npos);
}

TEST_F(AoiDocumentTest, AFileThatCannotBeReadIsToldAndLeftAsItIsEditsGoBesideIt)
{
    const std::string damaged = kFace + "face;rectangle;-5;1;1;1;1\n";
    writeFile(file, damaged);
    const QString problem = document.open(movie);
    EXPECT_TRUE(problem.contains(QStringLiteral("line 4")));
    EXPECT_TRUE(document.aois().aois().empty());

    edit();
    const QString told = document.close(answering({true}), false);
    const auto beside = dir / "film.avi_aois.edited.csv";
    EXPECT_TRUE(told.contains(QString::fromStdString(beside.string())));
    EXPECT_EQ(readFile(file), damaged);
    EXPECT_NE(readFile(beside).find("hand;"), std::string::npos);
}

TEST_F(AoiDocumentTest, OnTheWayOutNobodyIsAskedAndAPlaceThatCannotBeWrittenSendsTheAreasBesideIt)
{
    writeFile(file, kFace);
    document.open(movie);
    edit();
    EXPECT_TRUE(document.close(answering({}), true).isEmpty());
    EXPECT_TRUE(questions.empty());
    EXPECT_NE(readFile(file).find("hand;"), std::string::npos);

    // The file's own place is taken by a folder after the opening: the areas still reach the disk.
    std::filesystem::remove(file);
    ASSERT_TRUE(document.open(movie).isEmpty());
    std::filesystem::create_directory(file);
    edit();
    document.close(answering({}), true);
    EXPECT_TRUE(questions.empty());
    EXPECT_NE(readFile(dir / "film.avi_aois.edited.csv").find("hand;"), std::string::npos);
}

TEST_F(AoiDocumentTest, AFailedSaveIsOfferedAgainUntilTheUserGivesUp)
{
    document.open(movie);
    edit();
    std::filesystem::create_directory(file);
    document.close(answering({true, true, false}), false);
    // The question to save, then twice whether to try again.
    ASSERT_EQ(questions.size(), 3u);
    EXPECT_TRUE(questions[1].contains(QString::fromStdString(file.string())));
}
