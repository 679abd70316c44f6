#include "base/sha256.h"

#include <gtest/gtest.h>

#include <fstream>

#include "sandbox.h"

namespace tarnwick {
namespace {

struct Vector {
  std::string input;
  const char* digest;
};

// The published test vectors, plus lengths around the padding boundaries (55/56/64 bytes).
const Vector vectors[] = {
    {"", "e3b0c44298fc1c149afbf4c8996fb92427ae41e4649b934ca495991b7852b855"},
    {"abc", "ba7816bf8f01cfea414140de5dae2223b00361a396177a9cb410ff61f20015ad"},
    {"abcdbcdecdefdefgefghfghighijhijkijkljklmklmnlmnomnopnopq",
     "248d6a61d20638b8e5c026930c3e6039a33ce45964ff2167f6ecedd419db06c1"},
    {std::string(1000000, 'a'), "cdc76e5c9914fb9281a1c7e284d73e67f1809a48a497200e046d39ccc7112cd0"},
    {std::string(55, 'a'), "9f4390f8d30c2dd92ec9f095b65e2b9ae9b0a925a5258e241c9f1e910f734318"},
    {std::string(56, 'a'), "b35439a4ac6f0948b6d6f9e3c6af0f5f590ce20f1bde7090ef7970686ec6738a"},
    {std::string(64, 'a'), "ffe054fe7ae0cb6dc65c3af9b61d5209f439851db43d0ba5997337df154668eb"},
};

TEST(Sha256, GivesThePublishedDigestsWholeInPiecesAndFromAFile) {
  const std::filesystem::path file = test::Sandbox::current().makeFolder("hashing") / "input.bin";
  for (const Vector& v : vectors) {
    SCOPED_TRACE(v.input.substr(0, 60) + " (" + std::to_string(v.input.size()) + " bytes)");
    Sha256 whole;
    whole.update(v.input);
    EXPECT_EQ(whole.hexDigest(), v.digest);

    // Pieces that straddle the 64-byte blocks in every way.
    Sha256 pieces;
    for (std::size_t at = 0, step = 1; at < v.input.size(); at += step, step = step % 97 + 1)
      pieces.update(std::string_view(v.input).substr(at, step));
    EXPECT_EQ(pieces.hexDigest(), v.digest);

    std::ofstream(file, std::ios::binary | std::ios::trunc) << v.input;
    EXPECT_EQ(sha256OfFile(file), v.digest);
  }
  EXPECT_EQ(sha256OfFile(file.parent_path() / "absent"), std::nullopt);
}

}  // namespace
}  // namespace tarnwick
