// The encoder model lives here.
