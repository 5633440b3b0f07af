#include "platform/objc/MemberMethod.h"

#include <gtest/gtest.h>

#include "platform/objc/AutoreleasePool.h"
#include "platform/objc/ClassDefinition.h"
#include "platform/objc/Geometry.h"
#include "platform/objc/Messaging.h"

namespace sondrel::objc {
namespace {

enum class Shade : std::uint16_t { Light = 1, Dark = 2 };

// Members written once and reached only through messages.
class Gauge : public Object {
public:
    using Object::Object;
    static NSSize unitSize(double scale) { return NSSize{scale, 2 * scale}; }

    NSRect frame() const { return m_frame; }
    void setFrame(const NSRect& frame) { m_frame = frame; }
    bool isOn() const noexcept { return m_on; }
    void setOn(bool on) { m_on = on; }
    std::u16string label() const { return m_label; }
    void setLabel(const std::u16string& label) { m_label = label; }
    // Keeps only a live Gauge: anything else arrives as null.
    void setPeer(Gauge* peer) { m_peer = peer; }
    Gauge* peer() const { return m_peer; }
    void setShade(Shade shade) { m_shade = shade; }

    std::int32_t readings = 3;
    Shade m_shade = Shade::Light;

private:
    NSRect m_frame;
    bool m_on = false;
    std::u16string m_label;
    Gauge* m_peer = nullptr;
};

const ClassRegistration gaugeClass{ClassDefinition("MemberGauge", "NSObject", factoryFor<Gauge>())
                                       .instanceMethod<&Gauge::frame>("frame")
                                       .instanceMethod<&Gauge::setFrame>("setFrame:")
                                       .instanceMethod<&Gauge::isOn>("isOn")
                                       .instanceMethod<&Gauge::setOn>("setOn:")
                                       .instanceMethod<&Gauge::label>("label")
                                       .instanceMethod<&Gauge::setLabel>("setLabel:")
                                       .instanceMethod<&Gauge::setPeer>("setPeer:")
                                       .instanceMethod<&Gauge::peer>("peer")
                                       .instanceMethod<&Gauge::setShade>("setShade:")
                                       .instanceMethod<&Gauge::readings>("readings")
                                       .instanceMethod<&Gauge::m_shade>("shade")
                                       .classMethod<&Gauge::unitSize>("unitSize:")};

std::string typesOf(const char* selector, bool classMethod = false) {
    const Class gauge = lookUpClass("MemberGauge");
    const Method* method = classMethod ? getClassMethod(gauge, registerSelector(selector))
                                       : getInstanceMethod(gauge, registerSelector(selector));
    return method != nullptr ? method->types : "none";
}

TEST(MemberMethod, EncodingsComeFromTheMembersWithMessageTypesForBoolStringsAndObjects) {
    EXPECT_EQ(typesOf("frame"), "{CGRect={CGPoint=dd}{CGSize=dd}}@:");
    EXPECT_EQ(typesOf("setFrame:"), "v@:{CGRect={CGPoint=dd}{CGSize=dd}}");
    EXPECT_EQ(typesOf("isOn"), "c@:");
    EXPECT_EQ(typesOf("setOn:"), "v@:c");
    EXPECT_EQ(typesOf("label"), "@@:");
    EXPECT_EQ(typesOf("setLabel:"), "v@:@");
    EXPECT_EQ(typesOf("setPeer:"), "v@:@");
    EXPECT_EQ(typesOf("setShade:"), "v@:S");
    EXPECT_EQ(typesOf("readings"), "i@:");
    EXPECT_EQ(typesOf("shade"), "S@:");
    EXPECT_EQ(typesOf("unitSize:", true), "{CGSize=dd}@:d");
}

TEST(MemberMethod, MessagesReachTheMembersWithTheirValuesConverted) {
    const AutoreleasePool pool;
    const Class cls = lookUpClass("MemberGauge");
    const id gauge = send<id>(cls, "new"_sel);
    const id other = send<id>(cls, "new"_sel);
    auto* self = liveCast<Gauge>(gauge);
    ASSERT_NE(self, nullptr);

    send<void>(gauge, "setFrame:"_sel, NSRect{{1, 2}, {3, 4}});
    EXPECT_EQ(send<NSRect>(gauge, "frame"_sel).size.height, 4);
    send<void>(gauge, "setOn:"_sel, BOOL{7}); // any non-zero BOOL is YES
    EXPECT_TRUE(self->isOn());
    EXPECT_EQ(send<BOOL>(gauge, "isOn"_sel), YES);
    send<void>(gauge, "setLabel:"_sel, autoreleasedNativeString(u"dial"));
    EXPECT_EQ(nativeStringText(send<id>(gauge, "label"_sel)), u"dial");
    send<void>(gauge, "setLabel:"_sel, static_cast<id>(nullptr));
    EXPECT_EQ(self->label(), u"") << "nil reads as the empty text";

    send<void>(gauge, "setPeer:"_sel, other);
    EXPECT_EQ(send<id>(gauge, "peer"_sel), other);
    send<void>(gauge, "setPeer:"_sel, autoreleasedNativeString(u"not a gauge"));
    EXPECT_EQ(self->peer(), nullptr) << "an object of another class arrives as null";

    send<void>(gauge, "setShade:"_sel, std::uint16_t{2});
    EXPECT_EQ(self->m_shade, Shade::Dark);
    EXPECT_EQ(send<std::uint16_t>(gauge, "shade"_sel), 2);
    EXPECT_EQ(send<std::int32_t>(gauge, "readings"_sel), 3);
    EXPECT_EQ(send<NSSize>(cls, "unitSize:"_sel, 1.5).height, 3);
    release(other);
    release(gauge);
}

} // namespace
} // namespace sondrel::objc
