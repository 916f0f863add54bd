// Pictures: the program's compiled-in resources and picture files.
#include <gtest/gtest.h>

#include <QColor>
#include <QFile>
#include <QImage>
#include <filesystem>
#include <fstream>

#include <unistd.h>

#include "platform/forms/test_form.h"
#include "resources/resources.h"
#include "support/headless_fixture.h"

namespace {

using namespace forms_test;
namespace fs = std::filesystem;

// A folder of its own for each test, removed afterwards.
class PictureFiles : public stavelark_test::HeadlessTest {
 protected:
  void SetUp() override {
    const auto* info = ::testing::UnitTest::GetInstance()->current_test_info();
    dir = fs::temp_directory_path() / ("stavelark_pictures_" + std::string(info->name()) + "_" +
                                       std::to_string(::getpid()));
    fs::create_directories(dir);
  }
  void TearDown() override {
    fs::remove_all(dir);
    HeadlessTest::TearDown();
  }
  std::string Write(const std::string& name, const QByteArray& bytes) {
    std::ofstream(dir / name, std::ios::binary).write(bytes.constData(), bytes.size());
    return (dir / name).string();
  }
  fs::path dir;
};

QRgb Pixel(const forms::Picture& p, int x, int y) { return p.Image()->pixel(x, y) & 0xFFFFFF; }

TEST(ResourcePictures, CompiledInPicturesLoadByNameAndNumber) {
  ASSERT_TRUE(resources::PicturesLinked());
  forms::Picture p = forms::LoadResPicture("test_pattern");
  ASSERT_FALSE(p.IsEmpty());
  EXPECT_EQ(p.WidthPx(), 8);
  EXPECT_EQ(p.HeightPx(), 6);
  EXPECT_EQ(Pixel(p, 0, 0), 0xFF0000u);  // red top left
  EXPECT_EQ(Pixel(p, 7, 0), 0x00FF00u);  // green top right
  EXPECT_EQ(Pixel(p, 0, 5), 0x0000FFu);  // blue bottom left
  EXPECT_EQ(Pixel(p, 7, 5), 0xFFFFFFu);
  EXPECT_EQ(p.Source(), "res:test_pattern");

  // the test's own numbered copy (the program's numbers stay free)
  forms::Picture n = forms::LoadResPicture(32000);
  EXPECT_EQ(n.WidthPx(), 8);
  EXPECT_EQ(n.Source(), "res:32000");

  EXPECT_EQ(ErrorOf([] { forms::LoadResPicture(1); }), 326);
  EXPECT_EQ(ErrorOf([] { forms::LoadResPicture("no_such_picture"); }), 326);
}

TEST_F(PictureFiles, LoadPictureReadsImagesAndRaisesForMissingOrInvalidFiles) {
  QFile res(":/stavelark/res/test_pattern.png");
  ASSERT_TRUE(res.open(QIODevice::ReadOnly));
  std::string good = Write("pattern.png", res.readAll());
  forms::Picture p = forms::LoadPicture(good);
  EXPECT_EQ(p.WidthPx(), 8);
  EXPECT_EQ(Pixel(p, 7, 5), 0xFFFFFFu);
  EXPECT_TRUE(forms::LoadPicture("").IsEmpty());

  EXPECT_EQ(ErrorOf([&] { forms::LoadPicture((dir / "missing.png").string()); }), 53);
  EXPECT_EQ(ErrorOf([&] { forms::LoadPicture(dir.string()); }), 53);  // a folder is no file
  std::string bad = Write("bad.png", QByteArray("this is not a picture"));
  EXPECT_EQ(ErrorOf([&] { forms::LoadPicture(bad); }), 481);
  std::string empty = Write("empty.bmp", QByteArray());
  EXPECT_EQ(ErrorOf([&] { forms::LoadPicture(empty); }), 481);

}

}  // namespace
