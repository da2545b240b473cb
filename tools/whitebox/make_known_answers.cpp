#include "make_known_answers.h"

#include <stdexcept>
#include <string>
#include <utility>

#include "openssl_primitives.h"
#include "table_coverage.h"

namespace whitebox {

namespace {

KnownAnswer DrawKnownAnswer(const Key256& key, size_t length, RandomSource& random) {
  KnownAnswer answer;
  random.Fill(answer.iv.data(), answer.iv.size());
  answer.plaintext.resize(length);
  random.Fill(answer.plaintext.data(), length);
  answer.ciphertext = ReferenceEncryptCfb(key, answer.iv, answer.plaintext);
  return answer;
}

}  // namespace

std::vector<uint8_t> ReferenceEncryptCfb(const Key256& key, const Block& iv,
                                         const std::vector<uint8_t>& plaintext) {
  BlockEncryptor aes(key);
  std::vector<uint8_t> ciphertext(plaintext.size());
  Block feedback = iv;
  for (size_t start = 0; start < plaintext.size(); start += feedback.size()) {
    const Block keystream = aes.Encrypt(feedback);
    for (size_t i = 0; i < feedback.size() && start + i < plaintext.size(); ++i) {
      ciphertext[start + i] = static_cast<uint8_t>(plaintext[start + i] ^ keystream[i]);
      feedback[i] = ciphertext[start + i];
    }
  }
  return ciphertext;
}

std::vector<KnownAnswer> MakeKnownAnswers(const Key256& key, const TableSet& tables,
                                          RandomSource& random) {
  std::vector<KnownAnswer> answers;
  TableCoverage coverage(tables);
  for (const size_t length : kKnownAnswerLengths) {
    answers.push_back(DrawKnownAnswer(key, length, random));
    coverage.EvaluateKnownAnswer(answers.back());
  }
  for (size_t added = 0; coverage.TotalUnread() != 0; ++added) {
    if (added == kMaxCoverageVectors) {
      throw std::runtime_error("known answers with " + std::to_string(added) +
                               " added vectors still leave " + coverage.DescribeUnread() +
                               " unread: no input reaches them");
    }
    answers.push_back(DrawKnownAnswer(key, kCoverageVectorLength, random));
    coverage.EvaluateKnownAnswer(answers.back());
  }
  return answers;
}

}  // namespace whitebox
