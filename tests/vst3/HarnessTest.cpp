// The host harness itself: if these are wrong, every binding test is.
#include "harness/ComponentHandler.h"
#include "harness/HostApplication.h"
#include "harness/ModuleLoader.h"
#include "harness/ParameterChanges.h"
#include "harness/ProcessBuffers.h"
#include "harness/TestStream.h"

#include "base/source/fstring.h"
#include "pluginterfaces/vst/ivstmessage.h"
#include "public.sdk/source/common/memorystream.h"

#include <cstdint>
#include <gtest/gtest.h>
#include <string>
#include <vector>

using namespace Steinberg;
using namespace Steinberg::Vst;

namespace
{
// char16 is char16_t on Linux and wchar_t on Windows: the same UTF-16 units either way.
std::u16string Text16(const char16* text)
{
  return std::u16string(reinterpret_cast<const char16_t*>(text));
}
} // namespace

TEST(ParameterChangesTest, QueuesKeepEveryPointInOrder)
{
  harness::ParameterChanges changes;
  changes.AddQueue(0).Add(0, 0.1).Add(10, 0.2).Add(20, 0.3);
  changes.AddQueue(5); // empty
  changes.Add(0x62706173, 0.75, 3);
  ASSERT_EQ(changes.getParameterCount(), 3);
  EXPECT_EQ(changes.getParameterData(3), nullptr);
  EXPECT_EQ(changes.getParameterData(-1), nullptr);

  IParamValueQueue* queue = changes.getParameterData(0);
  ASSERT_NE(queue, nullptr);
  EXPECT_EQ(queue->getParameterId(), 0u);
  ASSERT_EQ(queue->getPointCount(), 3);
  int32 offset = -1;
  ParamValue value = -1;
  ASSERT_EQ(queue->getPoint(2, offset, value), kResultOk);
  EXPECT_EQ(offset, 20);
  EXPECT_EQ(value, 0.3);

  IParamValueQueue* empty = changes.getParameterData(1);
  EXPECT_EQ(empty->getParameterId(), 5u);
  EXPECT_EQ(empty->getPointCount(), 0);
  EXPECT_EQ(empty->getPoint(empty->getPointCount() - 1, offset, value), kResultFalse);
  EXPECT_EQ(offset, 20); // untouched

  ASSERT_EQ(changes.getParameterData(2)->getPoint(0, offset, value), kResultOk);
  EXPECT_EQ(offset, 3);
  EXPECT_EQ(value, 0.75);
}

TEST(ParameterChangesTest, InterfaceAdditionsReuseQueuesById)
{
  harness::ParameterChanges changes;
  int32 index = -1;
  IParamValueQueue* first = changes.addParameterData(7, index);
  EXPECT_EQ(index, 0);
  EXPECT_EQ(changes.addParameterData(7, index), first);
  EXPECT_EQ(index, 0);
  changes.addParameterData(8, index);
  EXPECT_EQ(index, 1);
  int32 pointIndex = -1;
  EXPECT_EQ(first->addPoint(4, 0.5, pointIndex), kResultOk);
  EXPECT_EQ(pointIndex, 0);
  EXPECT_EQ(first->addPoint(8, 0.6, pointIndex), kResultOk);
  EXPECT_EQ(pointIndex, 1);
  void* obj = nullptr;
  EXPECT_EQ(changes.queryInterface(IParameterChanges::iid, &obj), kResultOk);
  EXPECT_EQ(first->queryInterface(IParamValueQueue::iid, &obj), kResultOk);
  changes.Clear();
  EXPECT_EQ(changes.getParameterCount(), 0);
}

TEST(ParameterChangesTest, AClearedSetStartsEmptyAgainWithItsQueuesReused)
{
  harness::ParameterChanges changes;
  changes.Add(1, 0.25, 5);
  changes.Add(2, 0.5);
  changes.Clear();
  EXPECT_EQ(changes.getParameterData(0), nullptr);
  int32 index = -1;
  IParamValueQueue* queue = changes.addParameterData(2, index);
  EXPECT_EQ(index, 0); // the old queue of id 2 is gone with the clear
  EXPECT_EQ(queue->getParameterId(), 2u);
  EXPECT_EQ(queue->getPointCount(), 0);
  changes.Add(9, 0.75);
  ASSERT_EQ(changes.getParameterCount(), 2);
  int32 offset = -1;
  ParamValue value = -1;
  ASSERT_EQ(changes.getParameterData(1)->getPointCount(), 1);
  ASSERT_EQ(changes.getParameterData(1)->getPoint(0, offset, value), kResultOk);
  EXPECT_EQ(changes.getParameterData(1)->getParameterId(), 9u);
  EXPECT_EQ(offset, 0);
  EXPECT_EQ(value, 0.75);
}

TEST(TestStreamTest, BehavesAsAPlainStreamWithoutFaults)
{
  harness::TestStream stream;
  const std::uint8_t data[6] = {1, 2, 3, 4, 5, 6};
  int32 done = 0;
  EXPECT_EQ(stream.write(const_cast<std::uint8_t*>(data), 6, &done), kResultOk);
  EXPECT_EQ(done, 6);
  EXPECT_EQ(stream.Size(), 6);
  stream.Rewind();
  std::uint8_t back[8] = {};
  EXPECT_EQ(stream.read(back, 4, &done), kResultOk);
  EXPECT_EQ(done, 4);
  EXPECT_EQ(back[3], 4);
  // At the end a read comes back short, with success.
  EXPECT_EQ(stream.read(back, 4, &done), kResultOk);
  EXPECT_EQ(done, 2);
  EXPECT_EQ(back[1], 6);
  EXPECT_EQ(stream.Bytes(), std::vector<std::uint8_t>(data, data + 6));
  int64 position = -1;
  EXPECT_EQ(stream.seek(1, IBStream::kIBSeekSet, &position), kResultOk);
  EXPECT_EQ(position, 1);
  EXPECT_EQ(stream.tell(&position), kResultOk);
  EXPECT_EQ(position, 1);
  EXPECT_EQ(stream.ReadCalls(), 2);
  EXPECT_EQ(stream.WriteCalls(), 1);
  EXPECT_EQ(stream.RefCount(), 1);
}

TEST(TestStreamTest, TruncatedStreamEndsEarly)
{
  harness::TestStream stream(std::vector<std::uint8_t>{1, 2, 3, 4, 5, 6, 7, 8});
  stream.TruncateTo(5);
  EXPECT_EQ(stream.Size(), 5);
  std::uint8_t back[8] = {};
  int32 done = 0;
  EXPECT_EQ(stream.read(back, 8, &done), kResultOk);
  EXPECT_EQ(done, 5);
  EXPECT_EQ(back[4], 5);
}

TEST(TestStreamTest, FailingReadsDeliverNothing)
{
  harness::TestStream stream(std::vector<std::uint8_t>{1, 2, 3, 4, 5, 6, 7, 8});
  stream.FailReadsFrom(4);
  std::uint8_t back[4] = {};
  int32 done = -1;
  EXPECT_EQ(stream.read(back, 4, &done), kResultOk); // ends exactly at the position
  EXPECT_EQ(done, 4);
  EXPECT_EQ(stream.read(back, 1, &done), kResultFalse);
  EXPECT_EQ(done, 0);
  EXPECT_EQ(stream.Position(), 4);
  stream.ClearFaults();
  EXPECT_EQ(stream.read(back, 1, &done), kResultOk);
  EXPECT_EQ(back[0], 5);
}

TEST(TestStreamTest, ShortReadsReportSuccessWithFewerBytes)
{
  harness::TestStream stream(std::vector<std::uint8_t>{1, 2, 3, 4, 5, 6, 7, 8});
  stream.ShortReadsFrom(6);
  std::uint8_t back[8] = {};
  int32 done = 0;
  EXPECT_EQ(stream.read(back, 8, &done), kResultOk);
  EXPECT_EQ(done, 6);
  EXPECT_EQ(stream.read(back, 8, &done), kResultOk);
  EXPECT_EQ(done, 0);
  EXPECT_EQ(stream.Size(), 8); // the bytes are still there
}

TEST(TestStreamTest, FailingWritesStoreNothing)
{
  harness::TestStream stream;
  stream.FailWrites(true);
  std::uint8_t data[2] = {1, 2};
  int32 done = -1;
  EXPECT_EQ(stream.write(data, 2, &done), kResultFalse);
  EXPECT_EQ(done, 0);
  EXPECT_EQ(stream.Size(), 0);
}

TEST(TestStreamTest, SdkMemoryStreamRoundTrip)
{
  MemoryStream stream;
  double value = 0.7;
  int32 done = 0;
  EXPECT_EQ(stream.write(&value, sizeof value, &done), kResultOk);
  stream.seek(0, IBStream::kIBSeekSet, nullptr);
  double back = 0;
  EXPECT_EQ(stream.read(&back, sizeof back, &done), kResultOk);
  EXPECT_EQ(back, 0.7);
}

TEST(ComponentHandlerTest, RecordsEditsInOrder)
{
  harness::ComponentHandler handler;
  EXPECT_EQ(handler.beginEdit(3), kResultOk);
  EXPECT_EQ(handler.performEdit(3, 0.25), kResultOk);
  EXPECT_EQ(handler.endEdit(3), kResultOk);
  EXPECT_EQ(handler.restartComponent(kLatencyChanged), kResultOk);
  const auto calls = handler.Calls();
  ASSERT_EQ(calls.size(), 4u);
  EXPECT_EQ(calls[0].kind, harness::ComponentHandler::Kind::kBeginEdit);
  EXPECT_EQ(calls[1].kind, harness::ComponentHandler::Kind::kPerformEdit);
  EXPECT_EQ(calls[1].id, 3u);
  EXPECT_EQ(calls[1].value, 0.25);
  EXPECT_EQ(calls[2].kind, harness::ComponentHandler::Kind::kEndEdit);
  EXPECT_EQ(calls[3].flags, kLatencyChanged);
  EXPECT_EQ(handler.Count(harness::ComponentHandler::Kind::kPerformEdit), 1u);

  handler.SetResult(kResultFalse);
  EXPECT_EQ(handler.beginEdit(1), kResultFalse);
  handler.Clear();
  EXPECT_TRUE(handler.Calls().empty());
}

TEST(ComponentHandlerTest, SecondInterfaceCanBeWithheld)
{
  harness::ComponentHandler handler;
  void* obj = nullptr;
  ASSERT_EQ(handler.queryInterface(IComponentHandler2::iid, &obj), kResultOk);
  EXPECT_EQ(handler.RefCount(), 2);
  auto* second = static_cast<IComponentHandler2*>(obj);
  EXPECT_EQ(second->setDirty(true), kResultOk);
  EXPECT_EQ(second->requestOpenEditor("editor"), kResultOk);
  second->release();
  EXPECT_EQ(handler.CallsOf(harness::ComponentHandler::Kind::kRequestOpenEditor)[0].name, "editor");

  handler.SetOffersHandler2(false);
  EXPECT_EQ(handler.queryInterface(IComponentHandler2::iid, &obj), kNoInterface);
  EXPECT_EQ(obj, nullptr);
  EXPECT_EQ(handler.RefCount(), 1);
}

TEST(HostApplicationTest, NameIsWidenedAndLimited)
{
  harness::HostApplication host("Cubase");
  String128 name = {};
  ASSERT_EQ(host.getName(name), kResultOk);
  EXPECT_EQ(Text16(name), u"Cubase");
  host.SetName(std::string(200, 'x'));
  host.getName(name);
  EXPECT_EQ(Text16(name).size(), 127u);
  host.SetName(std::u16string(u"\u0141ive"));
  host.getName(name);
  EXPECT_EQ(name[0], 0x141);
  EXPECT_EQ(host.NameQueries(), 3);
}

TEST(HostApplicationTest, CreatesMessagesAndAttributeLists)
{
  harness::HostApplication host;
  TUID messageId, listId, otherId = {};
  std::memcpy(messageId, IMessage::iid, sizeof(TUID));
  std::memcpy(listId, IAttributeList::iid, sizeof(TUID));
  void* obj = nullptr;
  ASSERT_EQ(host.createInstance(messageId, messageId, &obj), kResultOk);
  auto* message = static_cast<IMessage*>(obj);
  message->setMessageID("TextMessage");
  EXPECT_STREQ(message->getMessageID(), "TextMessage");
  ASSERT_NE(message->getAttributes(), nullptr);
  EXPECT_EQ(message->getAttributes()->setInt("n", 5), kResultOk);
  message->release();
  ASSERT_EQ(host.createInstance(listId, listId, &obj), kResultOk);
  static_cast<IAttributeList*>(obj)->release();
  EXPECT_EQ(host.createInstance(otherId, messageId, &obj), kResultFalse);
  EXPECT_EQ(obj, nullptr);
  EXPECT_EQ(host.InstancesCreated(), 2);
}

TEST(HostApplicationTest, ContextWithoutTheInterface)
{
  harness::HostApplication host;
  FUnknownPtr<IHostApplication> found(static_cast<IHostApplication*>(&host));
  EXPECT_TRUE(found);
  host.SetAnswersHostApplication(false);
  FUnknownPtr<IHostApplication> missing(static_cast<IHostApplication*>(&host));
  EXPECT_FALSE(missing);
}

TEST(ProcessBuffersTest, SeparateStereo32)
{
  auto buffers = harness::ProcessBuffers::Single(kSample32, 2, 2, 8);
  ProcessData& data = buffers.Data();
  EXPECT_EQ(data.symbolicSampleSize, kSample32);
  EXPECT_EQ(data.numSamples, 8);
  ASSERT_EQ(data.numInputs, 1);
  ASSERT_EQ(data.numOutputs, 1);
  EXPECT_EQ(data.inputs[0].numChannels, 2);
  EXPECT_EQ(data.outputs[0].numChannels, 2);

  buffers.SetInput(0, 1, 3, 0.1);
  EXPECT_EQ(data.inputs[0].channelBuffers32[1][3], 0.1f);
  EXPECT_EQ(buffers.Input(0, 1, 3), static_cast<double>(0.1f));
  data.outputs[0].channelBuffers32[0][7] = 0.5f;
  EXPECT_EQ(buffers.Output(0, 0, 7), 0.5);
  EXPECT_NE(buffers.ChannelPointer(kInput, 0, 0), buffers.ChannelPointer(kOutput, 0, 0));
  buffers.FillOutputs(9.0);
  EXPECT_EQ(buffers.Input(0, 1, 3), static_cast<double>(0.1f));
  EXPECT_EQ(buffers.Output(0, 1, 3), 9.0);
}

TEST(ProcessBuffersTest, InPlaceMono64SharesMemory)
{
  auto buffers = harness::ProcessBuffers::Single(kSample64, 1, 1, 4,
                                                 harness::ProcessBuffers::Memory::kInPlace);
  ProcessData& data = buffers.Data();
  EXPECT_EQ(data.symbolicSampleSize, kSample64);
  EXPECT_EQ(data.inputs[0].channelBuffers64[0], data.outputs[0].channelBuffers64[0]);
  buffers.FillInput(0, [](int, int frame) { return frame * 0.25; });
  EXPECT_EQ(buffers.Output(0, 0, 3), 0.75);
}

TEST(ProcessBuffersTest, NullPointersNoBusesAndZeroFrames)
{
  harness::ProcessBuffers buffers(kSample32, {2}, {2, 1}, 16);
  ProcessData& data = buffers.Data();
  ASSERT_EQ(data.numOutputs, 2);
  EXPECT_EQ(data.outputs[1].numChannels, 1);
  buffers.NullBuffers(kOutput, 1);
  EXPECT_EQ(data.outputs[1].channelBuffers32[0], nullptr);
  EXPECT_EQ(data.outputs[1].numChannels, 1);
  EXPECT_NE(data.outputs[0].channelBuffers32[0], nullptr);
  buffers.DropBuses(kInput);
  EXPECT_EQ(data.numInputs, 0);
  EXPECT_EQ(data.inputs, nullptr);
  buffers.RestorePointers();
  EXPECT_EQ(data.numInputs, 1);
  EXPECT_NE(data.outputs[1].channelBuffers32[0], nullptr);
  buffers.SetFrames(0);
  EXPECT_EQ(data.numSamples, 0);
  EXPECT_EQ(buffers.MaxFrames(), 16);

  harness::ParameterChanges changes;
  ProcessContext context{};
  buffers.SetInputParameterChanges(&changes);
  buffers.SetProcessContext(&context);
  EXPECT_EQ(data.inputParameterChanges, &changes);
  EXPECT_EQ(data.processContext, &context);
}

TEST(ModuleLoaderTest, ModulePathFollowsTheBundleName)
{
#ifdef _WIN32
  EXPECT_EQ(harness::ModuleLoader::ModulePathInBundle("/x/KORU.vst3"),
            "/x/KORU.vst3/Contents/x86_64-win/KORU.vst3");
  EXPECT_EQ(harness::ModuleLoader::ModulePathInBundle("/x/Other.vst3/"),
            "/x/Other.vst3/Contents/x86_64-win/Other.vst3");
#else
  EXPECT_EQ(harness::ModuleLoader::ModulePathInBundle("/x/KORU.vst3"),
            "/x/KORU.vst3/Contents/x86_64-linux/KORU.so");
  EXPECT_EQ(harness::ModuleLoader::ModulePathInBundle("/x/Other.vst3/"),
            "/x/Other.vst3/Contents/x86_64-linux/Other.so");
#endif
}
