#include "crypto/spake2.h"

#include <openssl/bn.h>
#include <openssl/ec.h>
#include <openssl/obj_mac.h>

#include <gtest/gtest.h>

#include "crypto_test_util.h"
#include "log_capture.h"

namespace nimbral {
namespace {

using test::Bytes;
using test::fromHex;
using test::toHex;
using Role = Spake2::Role;

// RFC 9382, appendix B: SPAKE2-P256-SHA256-HKDF-HMAC, as printed there.
struct Vector {
    const char* idA;
    const char* idB;
    const char* w;
    const char* x;
    const char* y;
    const char* pA;
    const char* pB;
    const char* ke;
    const char* cA;
    const char* cB;
};

const Vector kVectors[] = {
    {"server", "client", "2ee57912099d31560b3a44b1184b9b4866e904c49d12ac5042c97dca461b1a5f",
     "43dd0fd7215bdcb482879fca3220c6a968e66d70b1356cac18bb26c84a78d729",
     "dcb60106f276b02606d8ef0a328c02e4b629f84f89786af5befb0bc75b6e66be",
     "04a56fa807caaa53a4d28dbb9853b9815c61a411118a6fe516a8798434751470f9010153ac33d0d5f2047ffdb1a"
     "3e42c9b4e6be662766e1eeb4116988ede5f912c",
     "0406557e482bd03097ad0cbaa5df82115460d951e3451962f1eaf4367a420676d09857ccbc522686c83d1852abf"
     "a8ed6e4a1155cf8f1543ceca528afb591a1e0b7",
     "0e0672dc86f8e45565d338b0540abe69",
     "58ad4aa88e0b60d5061eb6b5dd93e80d9c4f00d127c65b3b35b1b5281fee38f0",
     "d3e2e547f1ae04f2dbdbf0fc4b79f8ecff2dff314b5d32fe9fcef2fb26dc459b"},
    {"", "client", "0548d8729f730589e579b0475a582c1608138ddf7054b73b5381c7e883e2efae",
     "403abbe3b1b4b9ba17e3032849759d723939a27a27b9d921c500edde18ed654b",
     "903023b6598908936ea7c929bd761af6039577a9c3f9581064187c3049d87065",
     "04a897b769e681c62ac1c2357319a3d363f610839c4477720d24cbe32f5fd85f44fb92ba966578c1b712be69624"
     "98834078262caa5b441ecfa9d4a9485720e918a",
     "04e0f816fd1c35e22065d5556215c097e799390d16661c386e0ecc84593974a61b881a8c82327687d0501862970"
     "c64565560cb5671f696048050ca66ca5f8cc7fc",
     "642f05c473c2cd79909f9a841e2f30a7",
     "47d29e6666af1b7dd450d571233085d7a9866e4d49d2645e2df975489521232b",
     "3313c5cefc361d27fb16847a91c2a73b766ffa90a4839122a9b70a2f6bd1d6df"},
    {"server", "", "626e0cdc7b14c9db3e52a0b1b3a768c98e37852d5db30febe0497b14eae8c254",
     "07adb3db6bc623d3399726bfdbfd3d15a58ea776ab8a308b00392621291f9633",
     "b6a4fc8dbb629d4ba51d6f91ed1532cf87adec98f25dd153a75accafafedec16",
     "04f88fb71c99bfffaea370966b7eb99cd4be0ff1a7d335caac4211c4afd855e2e15a873b298503ad8ba1d9cbb9a"
     "392d2ba309b48bfd7879aefd0f2cea6009763b0",
     "040c269d6be017dccb15182ac6bfcd9e2a14de019dd587eaf4bdfd353f031101e7cca177f8eb362a6e83e7d5e72"
     "9c0732e1b528879c086f39ba0f31a9661bd34db",
     "005184ff460da2ce59062c87733c299c",
     "bc9f9bbe99f26d0b2260e6456e05a86196a3307ec6663a18bf6ac825736533b2",
     "c2370e1bf813b086dff0d834e74425a06e6390f48f5411900276dcccc5a297ec"},
    {"", "", "7bf46c454b4c1b25799527d896508afd5fc62ef4ec59db1efb49113063d70cca",
     "8cef65df64bb2d0f83540c53632de911b5b24b3eab6cc74a97609fd659e95473",
     "d7a66f64074a84652d8d623a92e20c9675c61cb5b4f6a0063e4648a2fdc02d53",
     "04a65b367a3f613cf9f0654b1b28a1e3a8a40387956c8ba6063e8658563890f46ca1ef6a676598889fc28de2950"
     "ab8120b79a5ef1ea4c9f44bc98f585634b46d66",
     "04589f13218822710d98d8b2123a079041052d9941b9cf88c6617ddb2fcc0494662eea8ba6b64692dc318250030"
     "c6af045cb738bc81ba35b043c3dcb46adf6f58d",
     "fc6374762ba5cf11f4b2caa08b2cd1b9",
     "dfb4db8d48ae5a675963ea5e6c19d98d4ea028d8e898dad96ea19a80ade95dca",
     "d0f0609d1613138d354f7e95f19fb556bf52d751947241e8c7118df5ef0ae175"},
};

// The first vector's transcript, also as the RFC prints it.
constexpr const char* kFirstTranscript =
    "06000000000000007365727665720600000000000000636c69656e74410000000000000004a56fa807caaa53a4d"
    "28dbb9853b9815c61a411118a6fe516a8798434751470f9010153ac33d0d5f2047ffdb1a3e42c9b4e6be662766e1"
    "eeb4116988ede5f912c41000000000000000406557e482bd03097ad0cbaa5df82115460d951e3451962f1eaf4367"
    "a420676d09857ccbc522686c83d1852abfa8ed6e4a1155cf8f1543ceca528afb591a1e0b74100000000000000041"
    "2af7e89717850671913e6b469ace67bd90a4df8ce45c2af19010175e37eed69f75897996d539356e2fa6a406d528"
    "501f907e04d97515fbe83db277b715d332520000000000000002ee57912099d31560b3a44b1184b9b4866e904c49"
    "d12ac5042c97dca461b1a5f";

// RFC 9382's N, compressed.
constexpr const char* kN = "03d8bbd6c639c62937b04d997f38c3770719c629d7014d49a24b4f98baa1292b49";

TEST(Spake2, TheRfcVectorsComeOutByteForByteOnBothSides) {
    for (const Vector& vector : kVectors) {
        SCOPED_TRACE(std::string(vector.idA) + "/" + vector.idB);
        const Bytes w = fromHex(vector.w);
        auto a = Spake2::startWithScalar(Role::A, w, fromHex(vector.x), vector.idA, vector.idB);
        auto b = Spake2::startWithScalar(Role::B, w, fromHex(vector.y), vector.idA, vector.idB);
        ASSERT_TRUE(a && b);
        EXPECT_EQ(toHex(a->share()), vector.pA);
        EXPECT_EQ(toHex(b->share()), vector.pB);
        ASSERT_TRUE(a->finish(b->share()));
        ASSERT_TRUE(b->finish(a->share()));
        EXPECT_EQ(a->transcript(), b->transcript());
        EXPECT_EQ(toHex(a->sharedKey()), vector.ke);
        EXPECT_EQ(toHex(b->sharedKey()), vector.ke);
        EXPECT_EQ(toHex(a->confirmation()), vector.cA);
        EXPECT_EQ(toHex(b->confirmation()), vector.cB);
        EXPECT_TRUE(a->peerConfirmationMatches(fromHex(vector.cB)));
        EXPECT_TRUE(b->peerConfirmationMatches(fromHex(vector.cA)));
        EXPECT_FALSE(a->peerConfirmationMatches(fromHex(vector.cA))) << "A's own is not B's";
    }
    auto a = Spake2::startWithScalar(Role::A, fromHex(kVectors[0].w), fromHex(kVectors[0].x),
                                     "server", "client");
    ASSERT_TRUE(a && a->finish(fromHex(kVectors[0].pB)));
    EXPECT_EQ(toHex(a->transcript()), kFirstTranscript);
}

TEST(Spake2, RandomExchangesAgreeOnlyOnTheSamePasswordAndTheSameBinding) {
    const auto w = Spake2::passwordScalar("Valid-Pass1", "salt");
    const auto other = Spake2::passwordScalar("Valid-Pass2", "salt");
    ASSERT_TRUE(w && other);
    struct Case {
        const Bytes& wA;
        const char* aadA;
        const Bytes& wB;
        const char* aadB;
        bool sameKey;
        bool confirmed;
    };
    for (const Case& each :
         {Case{*w, "keys", *w, "keys", true, true}, Case{*w, "keys", *other, "keys", false, false},
          // What is bound through the AAD differs: the same key, but the
          // confirmations give it away.
          Case{*w, "keys", *w, "swapped keys", true, false}}) {
        auto a = Spake2::start(Role::A, each.wA, "master", "target");
        auto b = Spake2::start(Role::B, each.wB, "master", "target");
        ASSERT_TRUE(a && b);
        ASSERT_TRUE(a->finish(b->share(), each.aadA) && b->finish(a->share(), each.aadB));
        EXPECT_EQ(a->sharedKey() == b->sharedKey(), each.sameKey);
        EXPECT_EQ(a->peerConfirmationMatches(b->confirmation()), each.confirmed);
        EXPECT_EQ(b->peerConfirmationMatches(a->confirmation()), each.confirmed);
    }
    // Fresh scalars each time: two exchanges never send the same share.
    EXPECT_NE(Spake2::start(Role::A, *w, "", "")->share(),
              Spake2::start(Role::A, *w, "", "")->share());
}

// w*N, uncompressed, computed here with OpenSSL: a point of the curve, but as B's share it is
// the mask and nothing else, which would make K the identity.
Bytes maskAlone(const Bytes& w) {
    EC_GROUP* group = EC_GROUP_new_by_curve_name(NID_X9_62_prime256v1);
    EC_POINT* n = EC_POINT_new(group);
    EC_POINT* product = EC_POINT_new(group);
    BIGNUM* scalar = BN_bin2bn(w.data(), static_cast<int>(w.size()), nullptr);
    const Bytes nBytes = fromHex(kN);
    Bytes out(Spake2::kShareBytes);
    const bool made = EC_POINT_oct2point(group, n, nBytes.data(), nBytes.size(), nullptr) == 1 &&
                      EC_POINT_mul(group, product, nullptr, n, scalar, nullptr) == 1 &&
                      EC_POINT_point2oct(group, product, POINT_CONVERSION_UNCOMPRESSED, out.data(),
                                         out.size(), nullptr) == out.size();
    BN_free(scalar);
    EC_POINT_free(product);
    EC_POINT_free(n);
    EC_GROUP_free(group);
    return made ? out : Bytes{};
}

TEST(Spake2, SharesThatAreNoPointOrOnlyTheMaskAreRefused) {
    const Bytes w = fromHex(kVectors[0].w);
    Bytes offCurve = fromHex(kVectors[0].pB);
    offCurve.back() ^= 1;
    const Bytes maskOnly = maskAlone(w);
    ASSERT_EQ(maskOnly.size(), Spake2::kShareBytes);
    struct Case {
        Bytes share;
        const char* logged;
    };
    const char* notAPoint = "Spake2: refusing a share that is not a point of the curve";
    for (const Case& each : {
             Case{{}, notAPoint},
             Case{{0x00}, notAPoint},                        // the point at infinity
             Case{Bytes(Spake2::kShareBytes, 0), notAPoint}, // no encoding at all
             Case{offCurve, notAPoint},                      // the right shape, off the curve
             Case{fromHex(kN), notAPoint}, // a point, but compressed: not the RFC's encoding
             Case{maskOnly, "Spake2: refusing a share that is nothing but the password's mask"},
         }) {
        SCOPED_TRACE(toHex(each.share));
        test::LogCapture log;
        auto a = Spake2::startWithScalar(Role::A, w, fromHex(kVectors[0].x), "server", "client");
        ASSERT_TRUE(a);
        EXPECT_FALSE(a->finish(each.share));
        EXPECT_FALSE(a->finished());
        EXPECT_TRUE(a->confirmation().empty());
        EXPECT_TRUE(a->sharedKey().empty());
        EXPECT_TRUE(log.hasPrefix(spdlog::level::warn, each.logged));
        EXPECT_FALSE(a->finish(fromHex(kVectors[0].pB))) << "no second try after a refusal";
    }
}

TEST(Spake2, ScalarsOutOfRangeAndSecondFinishesAndBadConfirmationsAreRefused) {
    const Bytes order = fromHex("ffffffff00000000ffffffffffffffffbce6faada7179e84f3b9cac2fc632551");
    const Bytes w = fromHex(kVectors[0].w);
    const Bytes x = fromHex(kVectors[0].x);
    EXPECT_FALSE(Spake2::start(Role::A, order, "", "")) << "w must be below the group order";
    EXPECT_FALSE(Spake2::start(Role::A, Bytes(w.begin() + 1, w.end()), "", ""));
    EXPECT_FALSE(Spake2::startWithScalar(Role::A, w, Bytes(32, 0), "", ""));
    EXPECT_FALSE(Spake2::startWithScalar(Role::A, w, order, "", ""));

    auto a = Spake2::startWithScalar(Role::A, w, x, "server", "client");
    ASSERT_TRUE(a);
    EXPECT_FALSE(a->peerConfirmationMatches(fromHex(kVectors[0].cB))) << "nothing to check yet";
    ASSERT_TRUE(a->finish(fromHex(kVectors[0].pB)));
    const Bytes key = a->sharedKey();
    EXPECT_FALSE(a->finish(fromHex(kVectors[1].pB))) << "once only";
    EXPECT_EQ(a->sharedKey(), key);

    const Bytes confirmation = fromHex(kVectors[0].cB);
    for (std::size_t bit = 0; bit < confirmation.size() * 8; bit += 37) {
        Bytes flipped = confirmation;
        flipped[bit / 8] ^= static_cast<std::uint8_t>(1u << (bit % 8));
        EXPECT_FALSE(a->peerConfirmationMatches(flipped)) << bit;
    }
    EXPECT_FALSE(a->peerConfirmationMatches(Bytes(confirmation.begin(), confirmation.end() - 1)));
    Bytes longer = confirmation;
    longer.push_back(0);
    EXPECT_FALSE(a->peerConfirmationMatches(longer));
    EXPECT_TRUE(a->peerConfirmationMatches(confirmation));
}

// scrypt(N = 2^15, r = 8, p = 1) of the password and salt, 40 bytes, modulo the group order:
// worked out with Python's hashlib.scrypt. Every version must derive the same w from the same
// password, or their devices would never agree.
TEST(Spake2, ThePasswordScalarIsScryptReducedModuloTheOrder) {
    const auto w = Spake2::passwordScalar("Valid-Pass1", "nimbral-spake2-v1 123456789");
    ASSERT_TRUE(w);
    EXPECT_EQ(toHex(*w), "2dfde648d1e1e9a1218816faccf7e8782e2dbe71fc9921ac5ff1e0192f9361a1");
    EXPECT_NE(Spake2::passwordScalar("Valid-Pass1", "nimbral-spake2-v1 987654321"), w);
}

} // namespace
} // namespace nimbral
