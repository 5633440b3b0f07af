#include "runtime/core/LinkedList.h"

#include <vector>

#include <gtest/gtest.h>

#include "runtime/core/Text.h"

namespace sondrel::core {
namespace {

struct FileEntry {
    Text path;
};

std::vector<Text> texts(const LinkedList<FileEntry>& list) {
    std::vector<Text> result;
    for (const FileEntry& entry : list) {
        result.push_back(entry.path);
    }
    return result;
}

TEST(LinkedList, NewAndEmptyListsHaveNoNextElement) {
    ListVariable<FileEntry> files;
    auto list = CreateList(&files, 8);
    ASSERT_NE(list, nullptr);
    EXPECT_EQ(files.list, list.get());
    EXPECT_EQ(list->elementKind(), 8);
    EXPECT_EQ(NextListElement(list.get()), nullptr);
    AddListElement(list.get())->path = u"a";
    EmptyList(list.get());
    EXPECT_EQ(files.current, nullptr);
    EXPECT_EQ(NextListElement(list.get()), nullptr);
    EXPECT_EQ(list->count(), 0);
}

TEST(LinkedList, AddedElementsKeepCallOrderAndTheCursorFollows) {
    ListVariable<FileEntry> files;
    auto list = CreateList(&files);
    for (const char16_t* path : {u"one", u"two", u"three"}) {
        FileEntry* entry = AddListElement(list.get());
        ASSERT_NE(entry, nullptr);
        EXPECT_TRUE(entry->path.empty()); // elements start empty
        entry->path = path;
    }
    EXPECT_EQ(texts(*list), (std::vector<Text>{u"one", u"two", u"three"}));
    EXPECT_EQ(files.current->path, u"three");
    EXPECT_EQ(list->currentIndex(), 2);
    EXPECT_EQ(list->count(), 3);

    RewindList(list.get());
    EXPECT_EQ(files.current, nullptr);
    std::vector<Text> walked;
    while (FileEntry* entry = NextListElement(list.get())) {
        walked.push_back(files.current->path);
        EXPECT_EQ(entry, files.current);
    }
    EXPECT_EQ(walked, texts(*list));
    // Past the end the last element stays current.
    EXPECT_EQ(files.current->path, u"three");
    EXPECT_EQ(NextListElement(list.get()), nullptr);
    EXPECT_EQ(list->currentIndex(), 2);
}

TEST(LinkedList, AddingInsertsAfterTheCurrentElementOrAtTheFront) {
    auto list = CreateList<FileEntry>();
    AddListElement(list.get())->path = u"b";
    AddListElement(list.get())->path = u"d";
    RewindList(list.get());
    AddListElement(list.get())->path = u"a"; // no current element: at the front
    EXPECT_EQ(list->currentIndex(), 0);
    NextListElement(list.get());
    AddListElement(list.get())->path = u"c"; // after "b"
    EXPECT_EQ(list->currentIndex(), 2);
    EXPECT_EQ(texts(*list), (std::vector<Text>{u"a", u"b", u"c", u"d"}));
    EXPECT_EQ(NextListElement(list.get())->path, u"d");
}

TEST(LinkedList, ElementsAreDestroyedWithTheList) {
    static int alive = 0;
    struct Counted {
        Text text;
        bool counted = false;
        ~Counted() { alive -= counted ? 1 : 0; }
    };
    ListVariable<Counted> variable;
    auto list = CreateList(&variable);
    for (int i = 0; i < 100; ++i) {
        Counted* element = AddListElement(list.get());
        element->text = u"a text long enough to live outside the string object";
        element->counted = true;
        ++alive;
    }
    EmptyList(list.get());
    EXPECT_EQ(alive, 0);
    AddListElement(list.get())->counted = true; // filled again after emptying
    ++alive;
    EXPECT_EQ(list->count(), 1);
    DestroyList(list);
    EXPECT_EQ(alive, 0);
    EXPECT_EQ(list, nullptr);
    EXPECT_EQ(variable.list, nullptr);
    EXPECT_EQ(variable.current, nullptr);
    DestroyList(list); // none: nothing happens
    EXPECT_EQ(AddListElement<Counted>(nullptr), nullptr);
    EXPECT_EQ(NextListElement<Counted>(nullptr), nullptr);
}

TEST(LinkedList, ListsSharingAPoolStayIndependent) {
    auto first = CreateList<FileEntry>();
    auto second = CreateList<FileEntry>();
    for (int i = 0; i < 1000; ++i) {
        AddListElement(first.get())->path = NumberText(i);
        AddListElement(second.get())->path = NumberText(-i);
    }
    first.reset();
    RewindList(second.get());
    EXPECT_EQ(NextListElement(second.get())->path, u"0");
    EXPECT_EQ(NextListElement(second.get())->path, u"-1");
    EXPECT_EQ(second->count(), 1000);
}

} // namespace
} // namespace sondrel::core
