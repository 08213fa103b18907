#include "openai/ozkHTTP_API_OpenAI_Files.h"

#include <gtest/gtest.h>

#include "ozkHTTP_API_OpenAI_TestUtil.h"

using ozktest::ForBothRoutes;

namespace {

const std::u16string kFile = uR"({
  "id": "file-abc123",
  "object": "file",
  "bytes": 120000,
  "created_at": 1677610602,
  "filename": "salesOverview.pdf",
  "purpose": "assistants",
  "status": "processed",
  "status_details": null
})";

const std::u16string kVectorStore = uR"({
  "id": "vs_abc123",
  "object": "vector_store",
  "created_at": 1699061776,
  "name": "Support FAQ",
  "usage_bytes": 139920,
  "file_counts": {"in_progress": 1, "completed": 3, "failed": 0, "cancelled": 0, "total": 4},
  "status": "completed",
  "expires_after": {"anchor": "last_active_at", "days": 7},
  "expires_at": 1699666576,
  "last_active_at": 1699061776,
  "metadata": {"project": "ozk"}
})";

} // namespace

TEST(OpenAIFiles, FileResponsesAndDeleteAnswers) {
  ForBothRoutes([] {
    TozkOpenAIClass_Response_File f(kFile);
    EXPECT_EQ(f.Id(), u"file-abc123");
    EXPECT_EQ(f._Object(), u"file");
    EXPECT_EQ(f.Bytes(), 120000);
    EXPECT_EQ(f.CreatedAt(), 1677610602);
    EXPECT_EQ(f.FileName(), u"salesOverview.pdf");
    EXPECT_EQ(f.Purpose(), u"assistants");

    TozkOpenAIClass_Response_Files lFiles(u"{\"data\":[" + kFile + u"," + kFile +
                                          u"],\"object\":\"list\",\"has_more\":false}");
    EXPECT_EQ(lFiles._Object(), u"list");
    ASSERT_EQ(lFiles.Data().size(), 2u);
    EXPECT_EQ(lFiles.Data()[1]->FileName(), u"salesOverview.pdf");
  });
  TozkOpenAIClass_Response_Delete_Status d(
      uR"({"id":"file-abc123","object":"file","deleted":true})");
  EXPECT_EQ(d.Id(), u"file-abc123");
  EXPECT_EQ(d._Object(), u"file");
  EXPECT_TRUE(d.Deleted());
  EXPECT_FALSE(TozkOpenAIClass_Response_Delete(uR"({"deleted":false})").Deleted());
  // An error body gives an object with zero values.
  TozkOpenAIClass_Response_Delete lError(
      uR"({"error":{"message":"No such File object","type":"invalid_request_error"}})");
  EXPECT_EQ(lError.Id(), u"");
  EXPECT_FALSE(lError.Deleted());
}

TEST(OpenAIFiles, UploadRequestKeepsThePathAsItIs) {
  TozkOpenAIClass_Request_UploadFile u;
  EXPECT_EQ(u.AsString(), u"{}");
  u.SetFile(u"C:\\docs\\manual.pdf");
  u.SetPurpose(u"assistants");
  EXPECT_EQ(u.FileName(), u"C:\\docs\\manual.pdf");
  std::u16string lText = u.AsString();
  EXPECT_EQ(lText, uR"({"file":"C:\docs\manual.pdf","purpose":"assistants"})");
  // Parsed again (as the client does for the form fields), the path comes back unchanged.
  TozkJSON lFields;
  lFields.Read(lText);
  EXPECT_EQ(lFields.GetNode(u"file")->Value().AsString(), u"C:\\docs\\manual.pdf");
  EXPECT_EQ(lFields.GetItem(1)->Name(), u"purpose");
}

TEST(OpenAIVectorStores, VectorStoreResponse) {
  ForBothRoutes([] {
    TozkOpenAIClass_VectorStore v(kVectorStore);
    EXPECT_EQ(v.Id(), u"vs_abc123");
    EXPECT_EQ(v._Object(), u"vector_store");
    EXPECT_EQ(v.CreatedAt(), 1699061776);
    EXPECT_EQ(v.Name(), u"Support FAQ");
    EXPECT_EQ(v.UsageBytes(), 139920);
    EXPECT_EQ(v.FileCounts()->InProgress(), 1);
    EXPECT_EQ(v.FileCounts()->Completed(), 3);
    EXPECT_EQ(v.FileCounts()->Failed(), 0);
    EXPECT_EQ(v.FileCounts()->Cancelled(), 0);
    EXPECT_EQ(v.FileCounts()->Total(), 4);
    EXPECT_EQ(v.Status(), u"completed");
    EXPECT_EQ(v.ExpiresAfter()->Anchor(), u"last_active_at");
    EXPECT_EQ(v.ExpiresAfter()->Days(), 7);
    EXPECT_EQ(v.ExpiresAt(), 1699666576);
    EXPECT_EQ(v.LastActiveAt(), 1699061776);
    EXPECT_EQ(v.MetaData()->Text(), u"project=ozk\r\n");
    // A response writes its fields over its whole document: the text is unchanged in content.
    TozkJSON lExpected;
    lExpected.Read(kVectorStore);
    EXPECT_EQ(v.AsString(), lExpected.Text());
  });

  // Without "file_counts" the counts exist only once read, and then are zero.
  TozkOpenAIClass_VectorStore lBare(uR"({"id":"vs_1","expires_after":null,"expires_at":null})");
  EXPECT_EQ(lBare.AsString(), uR"({"id":"vs_1","expires_after":{"anchor":"","days":0},)"
                              uR"("expires_at":null})");
  EXPECT_EQ(lBare.FileCounts()->Total(), 0);
  EXPECT_EQ(lBare.AsString(), uR"({"id":"vs_1","expires_after":{"anchor":"","days":0},)"
                              uR"("expires_at":null,"file_counts":{"in_progress":0,)"
                              uR"("completed":0,"failed":0,"cancelled":0,"total":0}})");
}

TEST(OpenAIVectorStores, VectorStoreRequest) {
  TozkOpenAIClass_Request_VectorStore r;
  r.SetName(u"Support FAQ");
  EXPECT_EQ(r.AsString(), uR"({"name":"Support FAQ"})");

  TozkOpenAIClass_Request_VectorStore lIds;
  lIds.SetName(u"n");
  lIds.FileIds(); // read, not filled: written as an empty array
  EXPECT_EQ(lIds.AsString(), uR"({"name":"n","file_ids":[]})");

  TozkOpenAIClass_Request_VectorStore lFull;
  lFull.SetName(u"n");
  lFull.ExpiresAfter()->SetAnchor(u"last_active_at");
  lFull.ExpiresAfter()->SetDays(3);
  lFull.MetaData()->Add(u"k=v");
  lFull.FileIds()->Add(u"file-1");
  lFull.FileIds()->Add(u"file-2");
  EXPECT_EQ(lFull.AsString(),
            uR"({"name":"n","expires_after":{"anchor":"last_active_at","days":3},)"
            uR"("metadata":{"k":"v"},"file_ids":["file-1","file-2"]})");
}

TEST(OpenAIVectorStores, FilesBatchesAndLists) {
  ForBothRoutes([] {
    const std::u16string lFileText =
        uR"({"id":"file-abc123","object":"vector_store.file","usage_bytes":1234,)"
        uR"("created_at":1698107661,"vector_store_id":"vs_abc123","status":"completed",)"
        uR"("last_error":null,"chunking_strategy":{"type":"static"}})";
    TozkOpenAIClass_VectorStoreFile f(lFileText);
    EXPECT_EQ(f.Id(), u"file-abc123");
    EXPECT_EQ(f._Object(), u"vector_store.file");
    EXPECT_EQ(f.UsageBytes(), 1234);
    EXPECT_EQ(f.CreatedAt(), 1698107661);
    EXPECT_EQ(f.VectorStoreId(), u"vs_abc123");
    EXPECT_EQ(f.Status(), u"completed");
    EXPECT_EQ(f.LastError(), u"null");
    TozkOpenAIClass_VectorStoreFile lFailed(
        uR"({"last_error":{"code":"invalid_file","message":"bad \"pdf\""}})");
    EXPECT_EQ(lFailed.LastError(), uR"({"code":"invalid_file","message":"bad "pdf""})");

    const std::u16string lBatchText =
        uR"({"id":"vsfb_abc123","object":"vector_store.file_batch","created_at":1699061776,)"
        uR"("vector_store_id":"vs_abc123","status":"in_progress","file_counts":)"
        uR"({"in_progress":2,"completed":0,"failed":0,"cancelled":0,"total":2}})";
    TozkOpenAIClass_VectorStoreFileBatch b(lBatchText);
    EXPECT_EQ(b.Id(), u"vsfb_abc123");
    EXPECT_EQ(b._Object(), u"vector_store.file_batch");
    EXPECT_EQ(b.CreatedAt(), 1699061776);
    EXPECT_EQ(b.VectorStoreId(), u"vs_abc123");
    EXPECT_EQ(b.Status(), u"in_progress");
    EXPECT_EQ(b.FileCounts()->InProgress(), 2);
    EXPECT_EQ(b.FileCounts()->Total(), 2);

    TozkOpenAIClass_Response_List_VectorStores lStores(
        u"{\"object\":\"list\",\"data\":[" + kVectorStore + u"],\"first_id\":\"vs_abc123\"}");
    ASSERT_EQ(lStores.VectorStores().size(), 1u);
    EXPECT_EQ(lStores.VectorStores()[0]->FileCounts()->Completed(), 3);
    TozkOpenAIClass_Response_List_VectorStoreFiles lFiles(u"{\"data\":[" + lFileText + u"," +
                                                          lFileText + u"]}");
    ASSERT_EQ(lFiles.VectorStoreFiles().size(), 2u);
    EXPECT_EQ(lFiles.VectorStoreFiles()[1]->VectorStoreId(), u"vs_abc123");
    TozkOpenAIClass_Response_List_VectorStoreFilesBatch lBatches(u"{\"data\":[" + lBatchText +
                                                                 u"]}");
    ASSERT_EQ(lBatches.VectorStoreFilesBatch().size(), 1u);
    EXPECT_EQ(lBatches.VectorStoreFilesBatch()[0]->Status(), u"in_progress");
  });

  TozkOpenAIClass_VectorStoreFile lWritten;
  lWritten.SetId(u"file-1");
  lWritten.Set_Object(u"vector_store.file");
  lWritten.SetUsageBytes(5);
  lWritten.SetCreatedAt(6);
  lWritten.SetVectorStoreId(u"vs_1");
  lWritten.SetStatus(u"failed");
  lWritten.SetLastError(u"{\"code\":\"x\"}");
  EXPECT_EQ(lWritten.AsString(),
            uR"({"id":"file-1","object":"vector_store.file","usage_bytes":5,"created_at":6,)"
            uR"("vector_store_id":"vs_1","status":"failed","last_error":{"code":"x"}})");

  TozkOpenAIClass_VectorStoreFileBatch lBatch;
  lBatch.SetId(u"vsfb_1");
  lBatch.FileCounts();
  EXPECT_EQ(lBatch.AsString(), uR"({"id":"vsfb_1","file_counts":{"in_progress":0,"completed":0,)"
                               uR"("failed":0,"cancelled":0,"total":0}})");
}
