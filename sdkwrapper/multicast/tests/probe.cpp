// Empty: the probe library consists of the multicast core alone.
