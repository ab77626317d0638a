[Settings]
StandardFile=x
[SETTINGS]
5,1,01.10.2002="1,1,1,1,1,1,1,1,"
