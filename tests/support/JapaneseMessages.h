#pragma once
// The tools answer in the user's language. A test binary that includes this
// header runs them with LANGUAGE=ja, so that their texts are the ones written in
// the code, whatever language the machine running the tests prefers.
#include <gtest/gtest.h>

#include <cstdlib>

namespace testsupport {

class JapaneseMessages : public testing::Environment {
public:
    void SetUp() override { setenv("LANGUAGE", "ja", 1); }
};

inline testing::Environment* const kJapaneseMessages = testing::AddGlobalTestEnvironment(new JapaneseMessages);

}  // namespace testsupport
