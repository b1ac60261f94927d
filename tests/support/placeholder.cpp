// Shared test fixtures live here.
