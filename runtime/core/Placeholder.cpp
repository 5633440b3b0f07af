int sondrelPlaceholder() { return 1; }
