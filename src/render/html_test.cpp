#include "render/html.hpp"

#include <gtest/gtest.h>

#include <random>
#include <string>

#include "parser/text.hpp"

namespace lorvane::render {
namespace {

// The inline rules read literally, one character position after the other, re-forming
// the token at each one. Quadratic in the token length: the reference that the linear
// renderer must agree with, not a second implementation to ship.
namespace reference {

std::u32string decode(std::string_view utf8) {
  std::u32string out;
  for (std::size_t pos = 0; pos < utf8.size();) out.push_back(text::decode_utf8(utf8, pos));
  return out;
}

std::string encode(std::u32string_view cps) {
  std::string out;
  for (char32_t cp : cps) text::append_utf8(out, cp);
  return out;
}

bool is_white_space(char32_t c) {
  static const std::u32string kSpaces =
      U"\u0009\u000A\u000B\u000C\u000D\u0020\u0085\u00A0\u1680\u2000\u2001\u2002\u2003\u2004"
      U"\u2005\u2006\u2007\u2008\u2009\u200A\u2028\u2029\u202F\u205F\u3000";
  return kSpaces.find(c) != std::u32string::npos;
}

bool is_token_end(char32_t c) {
  return is_white_space(c) || c == U'"' || c == U'\'' || c == U'<' || c == U'>';
}

bool is_ascii_letter(char32_t c) { return (c >= U'a' && c <= U'z') || (c >= U'A' && c <= U'Z'); }
bool is_ascii_digit(char32_t c) { return c >= U'0' && c <= U'9'; }
bool contains(std::u32string_view s, std::u32string_view what) {
  return s.find(what) != std::u32string_view::npos;
}

std::string escape(std::u32string_view cps) {
  std::string s = encode(cps);
  const std::pair<std::string, std::string> steps[] = {
      {"&", "&amp;"}, {"<", "&lt;"}, {">", "&gt;"}, {"\"", "&quot;"}, {"'", "&#39;"}};
  for (const auto& [from, to] : steps) {
    std::string next;
    for (char c : s) {
      if (std::string(1, c) == from) {
        next += to;
      } else {
        next += c;
      }
    }
    s = next;
  }
  return s;
}

std::pair<std::u32string, std::u32string> split(std::u32string_view token) {
  std::u32string link(token);
  std::u32string tail;
  while (!link.empty()) {
    const char32_t c = link.back();
    bool move = false;
    if (contains(U"!,.:;?", std::u32string(1, c))) {
      move = true;
    } else if (c == U')') {
      move = !contains(link, U"(");
    } else if (c == U']') {
      move = !contains(link, U"[");
    } else if (c == U'}') {
      move = !contains(link, U"{");
    }
    if (!move) break;
    tail.insert(tail.begin(), c);
    link.pop_back();
  }
  return {link, tail};
}

bool labels_ok(const std::vector<std::u32string>& labels) {
  for (const auto& label : labels) {
    if (label.empty() || label.front() == U'-' || label.back() == U'-') return false;
    for (char32_t c : label)
      if (!is_ascii_letter(c) && !is_ascii_digit(c) && c != U'-') return false;
  }
  return true;
}

bool qualifies(const std::u32string& link) {
  if (contains(link, U"@")) return false;
  if (contains(link, U"://")) return false;
  std::u32string t = link;
  while (!t.empty() && t.front() == U'/') t.erase(t.begin());
  while (!t.empty() && t.back() == U'/') t.pop_back();
  std::u32string v = t;
  if (!v.empty() && (v.front() == U'v' || v.front() == U'V')) v.erase(v.begin());
  bool only_digits_dots = true;
  for (char32_t c : v) only_digits_dots = only_digits_dots && (c == U'.' || is_ascii_digit(c));
  if (contains(v, U".") && only_digits_dots) return false;
  if (t.empty() || !contains(t, U".")) return false;
  const std::u32string host = t.substr(0, t.find(U'/'));
  std::vector<std::u32string> labels(1);
  for (char32_t c : host) {
    if (c == U'.') {
      labels.emplace_back();
    } else {
      labels.back() += c;
    }
  }
  if (labels.size() < 2) return false;
  const std::u32string& last = labels.back();
  if (last.size() < 2) return false;
  for (char32_t c : last)
    if (c < U'a' || c > U'z') return false;
  bool letter = false;
  for (char32_t c : labels.front()) letter = letter || is_ascii_letter(c);
  if (!letter) return false;
  return labels_ok(labels);
}

std::string link_markup(const std::string& target, const std::string& text) {
  return "<a href=\"" + target + "\" target=\"_blank\" rel=\"noopener noreferrer\">" + text +
         "</a>";
}

std::string render_inline(std::string_view utf8) {
  const std::u32string s = decode(utf8);
  std::string out;
  std::size_t i = 0;
  while (i < s.size()) {
    const std::u32string_view rest = std::u32string_view(s).substr(i);
    std::size_t end = i;
    while (end < s.size() && !is_token_end(s[end])) ++end;
    const std::u32string_view token = std::u32string_view(s).substr(i, end - i);
    if (rest.starts_with(U"https://") || rest.starts_with(U"http://") ||
        rest.starts_with(U"mailto:")) {
      const auto [link, tail] = split(token);
      out += link_markup(escape(link), escape(link)) + escape(tail);
      i = end;
      continue;
    }
    if (is_ascii_letter(s[i]) || is_ascii_digit(s[i])) {
      const auto [link, tail] = split(token);
      if (qualifies(link)) {
        out += link_markup(escape(U"https://" + link), escape(link)) + escape(tail);
        i = end;
        continue;
      }
    }
    if (s[i] == U'\n') {
      out += "<br/>\n";
    } else {
      out += escape(std::u32string(1, s[i]));
    }
    ++i;
  }
  return out;
}

}  // namespace reference

std::string link(const std::string& target, const std::string& text) {
  return reference::link_markup(target, text);
}

TEST(EscapeHtmlTest, FiveCharacters) {
  struct Case {
    std::string in;
    std::string want;
  };
  const Case cases[] = {
      {"", ""},
      {"plain {TITLE} caf\u00E9 \u2003", "plain {TITLE} caf\u00E9 \u2003"},
      {"&<>\"'", "&amp;&lt;&gt;&quot;&#39;"},
      {"a & b < c > d \" e ' f", "a &amp; b &lt; c &gt; d &quot; e &#39; f"},
      {"&amp;", "&amp;amp;"},
      {"&lt;&#39;", "&amp;lt;&amp;#39;"},
      {"\n\r\t x", "\n\r\t x"},
      {"\xFF&\xC3", "\xFF&amp;\xC3"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.in);
    EXPECT_EQ(escape_html(c.in), c.want);
  }
  std::string out = "kept:";
  append_escaped_html(out, "<");
  EXPECT_EQ(out, "kept:&lt;");
}

TEST(RenderInlineTest, Cases) {
  struct Case {
    const char* name;
    std::string in;
    std::string want;
  };
  const std::string example = link("https://example.com", "example.com");
  const Case cases[] = {
      {"empty", "", ""},
      {"text without links", "a < b & \"c\"\nd 'e'\n",
       "a &lt; b &amp; &quot;c&quot;<br/>\nd &#39;e&#39;<br/>\n"},
      {"carriage return passes through", "a\r\nb", "a\r<br/>\nb"},
      {"scheme link", "see https://example.com/a?b",
       "see " + link("https://example.com/a?b", "https://example.com/a?b")},
      {"scheme link then full stop", "https://example.com.",
       link("https://example.com", "https://example.com") + "."},
      {"scheme link in parentheses", "(http://example.com/x)",
       "(" + link("http://example.com/x", "http://example.com/x") + ")"},
      {"brackets kept when the link opens them", "https://en.wikipedia.org/wiki/Foo_(bar))",
       link("https://en.wikipedia.org/wiki/Foo_(bar))",
            "https://en.wikipedia.org/wiki/Foo_(bar))")},
      {"all trailing punctuation moves", "http://a.org/x!,.:;?])}",
       link("http://a.org/x", "http://a.org/x") + "!,.:;?])}"},
      {"capital scheme is no scheme", "HTTPS://example.com", "HTTPS://" + example},
      {"capital last label: no link", "Example.COM example.Com", "Example.COM example.Com"},
      {"bare host of two labels", "example.com", example},
      {"bare host with path", "example.com/docs/page",
       link("https://example.com/docs/page", "example.com/docs/page")},
      {"bare host with trailing slash", "example.com/",
       link("https://example.com/", "example.com/")},
      {"bare host in parentheses", "(example.com)", "(" + example + ")"},
      {"version numbers", "1.2 2.0.1 v1.2 V3.4.5", "1.2 2.0.1 v1.2 V3.4.5"},
      {"abbreviation", "e.g. i.e.", "e.g. i.e."},
      {"single-letter last label", "example.c", "example.c"},
      {"label ending in -", "a-.example.com", "a-." + example},
      {"first label without a letter", "123.com", "123.com"},
      {"digits in the first label with a letter", "web2.example.org",
       link("https://web2.example.org", "web2.example.org")},
      {"mailto link", "mailto:user@example.com.",
       link("mailto:user@example.com", "mailto:user@example.com") + "."},
      {"e-mail without mailto", "user@example.com", "user@" + example},
      {"ampersand in a query", "https://x.org/?a=1&b=2",
       link("https://x.org/?a=1&amp;b=2", "https://x.org/?a=1&amp;b=2")},
      {"ampersand in a bare query", "x.org/?a&b", link("https://x.org/?a&amp;b", "x.org/?a&amp;b")},
      {"scheme in the middle of a word", "foohttps://x.org",
       "foo" + link("https://x.org", "https://x.org")},
      {"underscore: the rest can link", "a_b.com", "a_" + link("https://b.com", "b.com")},
      {"non-ASCII letter: the rest can link", "caf\u00E9x.com",
       "caf\u00E9" + link("https://x.com", "x.com")},
      {"quotes and angle brackets end tokens", "'https://a.bc'<x.org>",
       "&#39;" + link("https://a.bc", "https://a.bc") + "&#39;&lt;" +
           link("https://x.org", "x.org") + "&gt;"},
      {"non-ASCII white space ends tokens", "a.com\u00A0b.org\u3000",
       link("https://a.com", "a.com") + "\u00A0" + link("https://b.org", "b.org") + "\u3000"},
      {"line feed ends a token", "a.org\nb", link("https://a.org", "a.org") + "<br/>\nb"},
      {"scheme prefix alone", "http://", link("http://", "http://")},
      {"path holding ://", "x.org/http://y", "x.org/" + link("http://y", "http://y")},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    EXPECT_EQ(render_inline(c.in), c.want);
    EXPECT_EQ(reference::render_inline(c.in), c.want);
  }
  std::string out = "<p>";
  append_inline_html(out, "x.org");
  EXPECT_EQ(out, "<p>" + link("https://x.org", "x.org"));
}

TEST(SplitTrailingPunctuationTest, Cases) {
  struct Case {
    std::string token;
    std::string link;
    std::string tail;
  };
  const Case cases[] = {
      {"", "", ""},
      {"a.b", "a.b", ""},
      {"a.b.", "a.b", "."},
      {"a!,.:;?", "a", "!,.:;?"},
      {"(a)", "(a)", ""},
      {"a)", "a", ")"},
      {"a))", "a", "))"},
      {"(a))", "(a))", ""},
      {"a(b)).", "a(b))", "."},
      {"a]", "a", "]"},
      {"[a].", "[a]", "."},
      {"a}", "a", "}"},
      {"{a}", "{a}", ""},
      {"(a]", "(a", "]"},
      {"[a)]", "[a)]", ""},
      {"a(b).)", "a(b).)", ""},
      {"...", "", "..."},
      {")(", ")(", ""},
      {"a/", "a/", ""},
      {"a\u00E9.", "a\u00E9", "."},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.token);
    const auto [link_part, tail] = split_trailing_punctuation(c.token);
    EXPECT_EQ(link_part, c.link);
    EXPECT_EQ(tail, c.tail);
  }
}

TEST(CheckHostLabelsTest, Cases) {
  struct Case {
    std::vector<std::string_view> labels;
    bool want;
  };
  const Case cases[] = {
      {{}, true},
      {{"example", "com"}, true},
      {{"Ex-ample", "COM", "9"}, true},
      {{"a", ""}, false},
      {{"-a", "com"}, false},
      {{"a-", "com"}, false},
      {{"a", "b_c"}, false},
      {{"caf\u00E9", "com"}, false},
      {{"a b"}, false},
      {{"a--b"}, true},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(::testing::PrintToString(c.labels));
    EXPECT_EQ(check_host_labels(c.labels), c.want);
  }
}

// Random texts from fragments that exercise every rule: schemes, hosts, versions,
// addresses, paths, brackets, punctuation, non-ASCII letters and white space.
std::string random_text(std::mt19937& rng, int max_fragments) {
  static const char* const kFragments[] = {
      "https://", "http://", "mailto:",   "HTTP://", "http:/", "mailto", "://",    "www",
      "example",  "com",     "org",       "io",      "c",      "Co",     "x",      "v",
      "V",        "1",       "2",         "20",      ".",      ".",      ".",      "/",
      "/",        "@",       "-",         "_",       "(",      ")",      "[",      "]",
      "{",        "}",       "!",         ",",       ":",      ";",      "?",      "&",
      "=",        " ",       " ",         "\n",      "\t",     "\r",     "\"",     "'",
      "<",        ">",       "\u00E9",    "\u00A0",  "\u2003", "\u3000", "\u0085", "\u2028",
      "\u1680",   "\u2000",  "\u200A",    "\u2029",  "\u202F", "\u205F", "\u200B", "\u2030",
      "\u1681",   "\u00A1",  "\u00C2",    "h",       "m",      "a",      "b",      "Z",
      "..",       "-.",      ".-",        "e.g.",    "1.2.3",  "v2.0",   "user@",  "a.b",
      "x.org/",   "(x.com)", "caf\u00E9",
  };
  const int count = std::uniform_int_distribution<int>(0, max_fragments)(rng);
  std::string s;
  for (int k = 0; k < count; ++k)
    s += kFragments[std::uniform_int_distribution<std::size_t>(0, std::size(kFragments) - 1)(rng)];
  return s;
}

TEST(RenderInlineTest, AgreesWithTheLiteralRules) {
  std::mt19937 rng(20260419);
  for (int n = 0; n < 30'000; ++n) {
    const std::string s = random_text(rng, n % 3 == 0 ? 40 : 12);
    ASSERT_EQ(render_inline(s), reference::render_inline(s))
        << "input: " << ::testing::PrintToString(s);
  }
}

TEST(RenderInlineTest, AgreesOnLongTokens) {
  // Long tokens of host characters with and without "@", "/" and brackets: the positions
  // where the literal rules reject a token again and again.
  std::mt19937 rng(7);
  const char alphabet[] = "abcz09.-.-./@()";
  for (int n = 0; n < 40; ++n) {
    std::string s;
    const std::size_t size = std::uniform_int_distribution<std::size_t>(500, 2'000)(rng);
    const std::size_t letters = n % 2 == 0 ? 12 : std::size(alphabet) - 1;
    while (s.size() < size)
      s += alphabet[std::uniform_int_distribution<std::size_t>(0, letters - 1)(rng)];
    if (n % 4 == 1) s += ".org";
    if (n % 4 == 3) s += "/).";
    ASSERT_EQ(render_inline(s), reference::render_inline(s)) << "input: " << s;
  }
}

TEST(RenderInlineTest, HostileInput) {
  // Each of these takes a linear pass; read literally they take minutes.
  std::string token;
  for (int i = 0; i < 10'000; ++i) token += "a1.-"[i % 4];
  std::string text;
  for (int i = 0; i < 200; ++i) text += token + (i % 2 ? "@x " : " ");
  EXPECT_EQ(render_inline(text), escape_html(text));

  const std::string dots(2'000'000, '.');
  EXPECT_EQ(render_inline("a" + dots), "a" + dots);
  const std::string closers(2'000'000, ')');
  EXPECT_EQ(render_inline("http://x(" + closers),
            link("http://x(" + closers, "http://x(" + closers));
  EXPECT_EQ(split_trailing_punctuation("a" + closers).second, closers);
  std::string hosts;
  for (int i = 0; i < 500'000; ++i) hosts += "a/";
  EXPECT_EQ(render_inline(hosts), hosts);
  std::string labels;
  for (int i = 0; i < 500'000; ++i) labels += "ab.";
  labels += "com";
  EXPECT_EQ(render_inline(labels), link("https://" + labels, labels));
  // Colons everywhere: each one is looked at once for a scheme prefix and a "://".
  std::string colons;
  for (int i = 0; i < 300'000; ++i) colons += "a.b://";
  EXPECT_EQ(render_inline(colons), escape_html(colons));
  std::string schemes;
  for (int i = 0; i < 300'000; ++i) schemes += "xhttp:mailto";
  schemes += ":a.b";
  const std::size_t first = schemes.size() - 10;
  EXPECT_EQ(render_inline(schemes),
            schemes.substr(0, first) + link(schemes.substr(first), schemes.substr(first)));
}

TEST(RenderInlineTest, BrokenUtf8) {
  // Bytes pass through; white space is only recognised when complete.
  EXPECT_EQ(render_inline("\xE2\x80 x.org\xC2"), "\xE2\x80 x.org\xC2");
  EXPECT_EQ(render_inline("\xC2"), "\xC2");
  EXPECT_EQ(render_inline("a\xE3\x80"), "a\xE3\x80");
  EXPECT_EQ(render_inline("\xFF<\xE2\x80\x80x.org"),
            "\xFF&lt;\xE2\x80\x80" + link("https://x.org", "x.org"));
}

}  // namespace
}  // namespace lorvane::render
