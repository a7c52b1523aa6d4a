// The built-in command classes, one line each, in registration order.
// Each module defines its class's descriptor with Z_DEFINE_COMMAND_CLASS.
// No include guard: the registry includes this table once per use of Z_COMMAND.
Z_COMMAND(TzHelp)
Z_COMMAND(TzCommandList)
