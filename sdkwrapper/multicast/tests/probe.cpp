// Empty: a probe library consists of the static library under test alone.
