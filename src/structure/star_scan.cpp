// The STAR scanner on gemmi's CIF grammar: the grammar's pieces are reused as they are, the
// value rule gains framecode references, and the actions hand values to a handler instead of
// building a document. This is the program's one user of gemmi and PEGTL (they compile slowly).
#include "structure/star_scan.h"

#include <gemmi/cif.hpp>

#include <string>

#include "structure/text_input.h"

namespace korva {

namespace {

namespace pegtl = tao::pegtl;
namespace gr = gemmi::cif::rules;

// Grammar: gemmi's, with $name references accepted wherever a value may stand.
struct framecodeRef : pegtl::seq<pegtl::one<'$'>, pegtl::plus<gr::nonblank_ch>> {};
struct value : pegtl::sor<gr::simunq, gr::singlequoted, gr::doublequoted, gr::textfield,
                          framecodeRef, gr::unquoted> {};
struct itemTag : gr::tag {};
struct itemValue : value {};
struct loopKeyword : gr::str_loop {};
struct loopTag : gr::tag {};
struct loopValue : value {};
struct loopTags : pegtl::plus<pegtl::seq<loopTag, gr::whitespace, pegtl::discard>> {};
struct loopValues : pegtl::sor<pegtl::plus<pegtl::seq<loopValue, gr::ws_or_eof, pegtl::discard>>,
                               pegtl::at<pegtl::sor<gr::keyword, pegtl::eof>>> {};
struct loop : pegtl::if_must<loopKeyword, gr::whitespace, loopTags, loopValues, gr::loop_end> {};
struct missingValue : pegtl::bol {};
struct dataItem
    : pegtl::if_must<itemTag, gr::whitespace,
                     pegtl::if_then_else<itemValue, gr::ws_or_eof, missingValue>, pegtl::discard> {
};
struct frameName : pegtl::plus<gr::nonblank_ch> {};
struct frameEnd : gr::str_save {};
struct frame : pegtl::if_must<gr::str_save, frameName, gr::whitespace,
                              pegtl::star<pegtl::sor<dataItem, loop>>, frameEnd, gr::ws_or_eof> {};
struct blockName : pegtl::star<gr::nonblank_ch> {};
struct globalBlock : gr::str_global {};
struct blockHeading : pegtl::sor<pegtl::seq<gr::str_data, blockName>, globalBlock> {};
struct dataBlock
    : pegtl::seq<blockHeading, gr::ws_or_eof, pegtl::star<pegtl::sor<dataItem, loop, frame>>> {};
struct content : pegtl::plus<dataBlock> {};
struct file : pegtl::seq<pegtl::opt<gr::whitespace>,
                         pegtl::if_must<pegtl::not_at<pegtl::eof>, content, pegtl::eof>> {};

// What a failed rule means to the reader of the message.
template <typename Rule>
const char* errorText() {
  return "syntax error";
}
template <>
const char* errorText<gr::quoted_tail<pegtl::one<'\''>>>() {
  return "quoted string not closed on its line";
}
template <>
const char* errorText<gr::quoted_tail<pegtl::one<'"'>>>() {
  return "quoted string not closed on its line";
}
template <>
const char* errorText<pegtl::until<gr::field_sep>>() {
  return "text field not closed (no line starting with ';' follows)";
}
template <>
const char* errorText<frameName>() {
  return "save_ frame without a name";
}
template <>
const char* errorText<frameEnd>() {
  return "save frame not closed: expected a tag, loop_ or the closing save_";
}
template <>
const char* errorText<loopTags>() {
  return "loop_ without tags";
}
template <>
const char* errorText<content>() {
  return "expected a data_ block header";
}
template <>
const char* errorText<pegtl::eof>() {
  return "expected a tag, loop_, save_ frame or data_ block (a value without a tag?)";
}
template <>
const char* errorText<gr::whitespace>() {
  return "expected white space";
}

template <typename Rule>
struct control : pegtl::normal<Rule> {
  template <typename Input, typename... States>
  [[noreturn]] static void raise(const Input& in, States&&...) {
    throw pegtl::parse_error(errorText<Rule>(), in);
  }
};

// Parser state: the handler, the pending item tag and the loop's tag and value counts.
struct scanState {
  starHandler& handler;
  const char* begin;  // first byte of the buffer, to tell a text field from a bare ';' word
  std::string_view tag;
  size_t loopTagCount = 0;
  size_t loopValueCount = 0;
};

template <typename Input>
starValue makeValue(const Input& in, const scanState& st) {
  std::string_view raw = in.string_view();
  starValue v{raw, static_cast<int>(in.iterator().line), false};
  const char first = raw.front();
  if (first == '\'' || first == '"') {
    v.text = raw.substr(1, raw.size() - 2);
    v.quoted = true;
  } else if (first == ';' && (raw.data() == st.begin || raw.data()[-1] == '\n')) {
    // A text field runs from after the opening ';' to before the line end that precedes the
    // closing ';'.
    std::string_view body = raw.substr(1, raw.size() - 2);
    if (!body.empty() && body.back() == '\n') body.remove_suffix(1);
    if (!body.empty() && body.back() == '\r') body.remove_suffix(1);
    v.text = body;
    v.quoted = true;
  }
  return v;
}

template <typename Rule>
struct action : pegtl::nothing<Rule> {};

template <>
struct action<blockName> {
  template <typename Input>
  static void apply(const Input& in, scanState& st) {
    st.handler.block(in.string_view(), static_cast<int>(in.iterator().line));
  }
};
template <>
struct action<globalBlock> {
  template <typename Input>
  static void apply(const Input& in, scanState& st) {
    st.handler.block("global_", static_cast<int>(in.iterator().line));
  }
};
template <>
struct action<frameName> {
  template <typename Input>
  static void apply(const Input& in, scanState& st) {
    st.handler.frame(in.string_view(), static_cast<int>(in.iterator().line));
  }
};
template <>
struct action<frameEnd> {
  template <typename Input>
  static void apply(const Input&, scanState& st) {
    st.handler.frameEnd();
  }
};
template <>
struct action<itemTag> {
  template <typename Input>
  static void apply(const Input& in, scanState& st) {
    st.tag = in.string_view();
  }
};
template <>
struct action<itemValue> {
  template <typename Input>
  static void apply(const Input& in, scanState& st) {
    st.handler.item(st.tag, makeValue(in, st));
  }
};
template <>
struct action<missingValue> {
  template <typename Input>
  static void apply(const Input& in, scanState&) {
    throw pegtl::parse_error("tag without value", in);
  }
};
template <>
struct action<loopKeyword> {
  template <typename Input>
  static void apply(const Input& in, scanState& st) {
    st.loopTagCount = st.loopValueCount = 0;
    st.handler.loopStart(static_cast<int>(in.iterator().line));
  }
};
template <>
struct action<loopTag> {
  template <typename Input>
  static void apply(const Input& in, scanState& st) {
    st.loopTagCount++;
    st.handler.loopTag(in.string_view());
  }
};
template <>
struct action<loopValue> {
  template <typename Input>
  static void apply(const Input& in, scanState& st) {
    st.loopValueCount++;
    st.handler.loopValue(makeValue(in, st));
  }
};
template <>
struct action<loop> {
  template <typename Input>
  static void apply(const Input& in, scanState& st) {
    if (st.loopValueCount % st.loopTagCount != 0) {
      // Reported at the loop's first line: a cut-off file or a lost value leaves a part row.
      std::string what = "loop_ of " + std::to_string(st.loopTagCount) + " tags holds " +
                         std::to_string(st.loopValueCount) +
                         " values, not whole rows (truncated or a value missing)";
      throw pegtl::parse_error(what, in);
    }
    st.handler.loopEnd();
  }
};

}  // namespace

Status scanStar(const char* text, size_t size, const char* fileName, const char* kind,
                starHandler& handler) {
  scanState st{handler, text, {}};
  try {
    pegtl::memory_input<> in(text, size, fileName);
    // Only a file of nothing but blanks and comments fails without raising an error.
    if (!pegtl::parse<file, action, control>(in, st)) {
      return Status::failure("%s Error: %s holds no data_ block\n", kind, fileName);
    }
  } catch (const pegtl::parse_error& e) {
    const auto& pos = e.positions();
    const size_t line = pos.empty() ? 0 : pos.front().line;
    std::string what(e.message());
    return Status::failure("%s Error: %s line %zu: %s\n", kind, fileName, line, what.c_str());
  } catch (const std::bad_alloc&) {
    return Status::failure("%s Error: out of memory reading %s\n", kind, fileName);
  }
  return Status::success();
}

bool starTagIn(std::string_view tag, std::string_view category, std::string_view* item) {
  if (tag.size() <= category.size() || !startsNoCase(tag, category)) return false;
  *item = tag.substr(category.size());
  return true;
}

}  // namespace korva
