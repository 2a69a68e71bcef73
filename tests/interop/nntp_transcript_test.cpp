#include "tests/support/nntp_transcript.h"

#include <gtest/gtest.h>

namespace kestrel::testing {
namespace {

TEST(NntpTranscriptTest, ExchangesDataAndErrorsAreSeparated) {
  const std::string output =
      "S: 200 Welcome\r\n"
      "C: LIST\n"
      "S: 215 List follows\r\n"
      "D: OURS.A 2 1 n\r\n"
      "Z: .\n"
      "C: ARTICLE 1\n"
      "S: 220 1 <1$OURS.A@JamNNTPd> Article\r\n"
      "D: Subject: Hi\r\n"
      "D: \r\n"
      "D: ..\r\n"          // a lone dot, stuffed
      "D: ..two dots\r\n"  // jamnntpd sends this line as stored
      "D: .one dot\r\n"
      "Z: .\n"
      "stray line without a mark\n"
      "C: ARTICLE 2\n"
      "S: 503 Message has been deleted\r\n"
      "C: QUIT\n"
      "S: 205 Goodbye\r\n"
      "N: connect\n"
      "S: 200 Welcome again\r\n"
      "C: ARTICLE 3\n"
      "S: 220 3 <3$OURS.A@JamNNTPd>\r\n"
      "D: Subject: cut\r\n"
      "W: article 3 not terminated\n"
      "E: jamnntpd did not listen\n";
  const NntpTranscript transcript = ParseNntpTranscript(output);
  EXPECT_EQ(transcript.greeting, "200 Welcome");
  ASSERT_EQ(transcript.exchanges.size(), 5u);
  EXPECT_EQ(transcript.exchanges[0].command, "LIST");
  EXPECT_EQ(transcript.exchanges[0].data, std::vector<std::string>{"OURS.A 2 1 n"});
  EXPECT_TRUE(transcript.exchanges[0].data_complete);

  const NntpExchange& article = transcript.exchanges[1];
  EXPECT_EQ(NntpStatusCode(article.status), 220);
  EXPECT_EQ(article.data,
            (std::vector<std::string>{"Subject: Hi", "", ".", "..two dots", ".one dot"}));

  EXPECT_EQ(NntpStatusCode(transcript.exchanges[2].status), 503);
  EXPECT_TRUE(transcript.exchanges[2].data.empty());
  // A new connection's greeting is not taken for the answer to QUIT.
  EXPECT_EQ(transcript.exchanges[3].status, "205 Goodbye");
  EXPECT_EQ(transcript.exchanges[4].command, "ARTICLE 3");
  EXPECT_FALSE(transcript.exchanges[4].data_complete);
  EXPECT_EQ(transcript.warnings, std::vector<std::string>{"article 3 not terminated"});
  EXPECT_EQ(transcript.errors, std::vector<std::string>{"jamnntpd did not listen"});

  EXPECT_EQ(NntpStatusCode("2x0 no"), -1);
  EXPECT_EQ(NntpStatusCode("22"), -1);
}

}  // namespace
}  // namespace kestrel::testing
