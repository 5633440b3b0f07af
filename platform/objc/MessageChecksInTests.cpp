// Built into every test program, never into the library: test programs stop at a message
// mistake in every build type (see MessageMistakes.h).

extern "C" {
extern const bool sondrel_objc_stop_on_message_mistakes;
const bool sondrel_objc_stop_on_message_mistakes = true;
}
