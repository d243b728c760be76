#include <nyxml/foundation.h>

#include "TestSupport.h"

#include <memory>
#include <typeinfo>

using namespace NyXmlLib9;

namespace {

template <class T>
void ExpectClassOf(const CNyException* e) {
    ASSERT_NE(nullptr, e);
    EXPECT_STREQ(typeid(T).name(), typeid(*e).name());
}

}  // namespace

TEST(CNyException, DefaultIsEmptyWithoutInner) {
    CNyException e;
    EXPECT_EQ(L"", e.GetMessage());
    EXPECT_EQ(L"", e.GetFullMessage());
    EXPECT_EQ(nullptr, e.GetInnerException());
}

TEST(CNyException, FullMessageWithoutInnerEqualsMessage) {
    CNyException e(L"only");
    EXPECT_EQ(e.GetMessage(), e.GetFullMessage());
}

TEST(CNyException, FullMessageJoinsChainOutermostFirst) {
    CNyInvalidValueException inner(L"third");
    CNyValidationException middle(L"second", inner);
    CNyException outer(L"first", middle);
    EXPECT_EQ(L"first\nsecond\nthird", outer.GetFullMessage());
    EXPECT_EQ(L"first", outer.GetMessage());
}

TEST(CNyException, InnerKeepsItsClassThroughClone) {
    CNyInvalidValueException value(L"bad");
    CNyException outer(L"outer", value);
    ExpectClassOf<CNyInvalidValueException>(outer.GetInnerException());
    // Still the subclass after copies of the outer exception.
    CNyException copy(outer);
    CNyException assigned;
    assigned = copy;
    ExpectClassOf<CNyInvalidValueException>(assigned.GetInnerException());
    EXPECT_EQ(L"outer\nbad", assigned.GetFullMessage());
}

TEST(CNyException, CopySurvivesSourceDestruction) {
    std::unique_ptr<CNyException> source(
        new CNyException(L"a", CNyInvalidNamespaceException(L"b", CNyOverFlowException(L"c"))));
    CNyException copy(*source);
    source.reset();
    ASSERT_NE(nullptr, copy.GetInnerException());
    ExpectClassOf<CNyInvalidNamespaceException>(copy.GetInnerException());
    ExpectClassOf<CNyOverFlowException>(copy.GetInnerException()->GetInnerException());
    EXPECT_EQ(L"a\nb\nc", copy.GetFullMessage());
}

TEST(CNyException, SelfAssignmentIsHarmless) {
    CNyException e(L"outer", CNyException(L"inner"));
    CNyException& alias = e;
    e = alias;
    EXPECT_EQ(L"outer\ninner", e.GetFullMessage());
}

TEST(CNyException, AssignmentFromOwnInnerChain) {
    CNyException e(L"outer", CNyException(L"inner", CNyException(L"deep")));
    e = *e.GetInnerException();
    EXPECT_EQ(L"inner\ndeep", e.GetFullMessage());
}

TEST(CNyException, AssignmentReplacesInnerByNone) {
    CNyException e(L"outer", CNyException(L"inner"));
    e = CNyException(L"plain");
    EXPECT_EQ(nullptr, e.GetInnerException());
    EXPECT_EQ(L"plain", e.GetFullMessage());
}

TEST(CNyException, ConvertingConstructorTurnsAnyIntoSubclass) {
    CNyException base(L"msg", CNyInvalidParamException(L"why"));
    CNyInvalidStateException state(base);
    EXPECT_EQ(L"msg\nwhy", state.GetFullMessage());
    ExpectClassOf<CNyInvalidParamException>(state.GetInnerException());
}

TEST(CNyException, HierarchyCatchesSubclasses) {
    try {
        throw CNyInvalidValueException(L"v");
    } catch (CNyValidationException& e) {
        EXPECT_EQ(L"v", e.GetMessage());
    }
    try {
        throw CNyInvalidNamespaceException(L"n");
    } catch (CNyValidationException& e) {
        EXPECT_EQ(L"n", e.GetMessage());
    }
    bool caught = false;
    try {
        throw CNyOverFlowException(L"o");
    } catch (CNyValidationException&) {
        FAIL() << "overflow is not a validation exception";
    } catch (CNyException&) {
        caught = true;
    }
    EXPECT_TRUE(caught);
}

TEST(CNyException, ThrowByValueKeepsChainClasses) {
    try {
        try {
            throw CNyInvalidValueException(L"inner");
        } catch (CNyException& e) {
            throw CNyValidationException(L"outer", e);
        }
    } catch (CNyException& e) {
        ExpectClassOf<CNyValidationException>(&e);
        ExpectClassOf<CNyInvalidValueException>(e.GetInnerException());
    }
}
