// Tests are not product code.
EXPECT_EQ(engine.GetErrorCode(), -1034);
